#include "i18n/interfacelanguage.h"

#include "i18n/translate.h"
#include "platform/settingsstore.h"

#include <QSettings>

namespace tovik {

InterfaceLanguage &InterfaceLanguage::shared()
{
    static InterfaceLanguage instance;
    return instance;
}

InterfaceLanguage::InterfaceLanguage()
    : m_language(storedLanguageIsChinese() ? AppLanguage::chinese : AppLanguage::english)
{
}

void InterfaceLanguage::setLanguage(AppLanguage language)
{
    threadSettingsStore().setValue(QStringLiteral("interfaceLanguage"), rawValue(language));
    if (m_language == language)
        return;
    m_language = language;
    Q_EMIT languageChanged();
}

} // namespace tovik
