#include "platform/settingsstore.h"

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

} // namespace tovik
