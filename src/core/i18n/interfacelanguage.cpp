#include "i18n/interfacelanguage.h"

#include "i18n/translate.h"
#include "system/settingsstore.h"

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
    // Written before anyone hears of the change; the message, made from the store's
    // new value, is already in the language just chosen.
    const QString error = writeSetting(QStringLiteral("interfaceLanguage"), rawValue(language)).value_or(QString());
    if (m_language != language) {
        m_language = language;
        Q_EMIT languageChanged();
    }
    if (error != m_storeError) {
        m_storeError = error;
        Q_EMIT storeErrorChanged();
    }
}

} // namespace tovik
