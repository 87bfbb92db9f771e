#include "i18n/translate.h"

#include "i18n/supplementarytexts.h"
#include "i18n/translationtable.h"
#include "system/settingsstore.h"

#include <QSettings>

namespace tovik {

bool storedLanguageIsChinese()
{
    return threadSettingsStore().value(QStringLiteral("interfaceLanguage")).toString()
        == QStringLiteral("zh-Hant");
}

QString translate(const QString &english)
{
    if (!storedLanguageIsChinese())
        return english;
    const auto &table = translationTable();
    if (const auto it = table.constFind(english); it != table.cend())
        return it.value();
    const auto &extra = supplementaryTranslations();
    const auto it = extra.constFind(english);
    return it == extra.cend() ? english : it.value();
}

QString fill(QString text, std::initializer_list<std::pair<QString, QString>> values)
{
    for (const auto &[name, value] : values)
        text.replace(QLatin1Char('{') + name + QLatin1Char('}'), value);
    return text;
}

QString translated(const QString &english, std::initializer_list<std::pair<QString, QString>> values)
{
    return fill(translate(english), values);
}

} // namespace tovik
