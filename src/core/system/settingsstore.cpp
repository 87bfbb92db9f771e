#include "system/settingsstore.h"

#include "i18n/translate.h"

namespace tovik {

std::unique_ptr<QSettings> makeSettingsStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("tovikRAGUI"), QStringLiteral("tovikRAGUI"));
}

QSettings &threadSettingsStore()
{
    thread_local std::unique_ptr<QSettings> store = makeSettingsStore();
    return *store;
}

std::optional<QString> writeSetting(const QString &key, const QVariant &value)
{
    // A store of its own: status() reports the first error a store ever met, so a
    // long-lived one could not tell this write from an earlier one.
    const std::unique_ptr<QSettings> store = makeSettingsStore();
    store->setValue(key, value);
    store->sync();
    if (store->status() == QSettings::NoError)
        return std::nullopt;
    return translated(QStringLiteral("Couldn't save the setting: {path} can't be written, so the change lasts only "
                                     "until you quit."),
                      {{QStringLiteral("path"), store->fileName()}});
}

} // namespace tovik
