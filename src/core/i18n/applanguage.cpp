#include "i18n/applanguage.h"

namespace tovik {

QString rawValue(AppLanguage language)
{
    return language == AppLanguage::chinese ? QStringLiteral("zh-Hant") : QStringLiteral("en");
}

QString pickerLabel(AppLanguage language)
{
    return language == AppLanguage::chinese ? QStringLiteral("中文") : QStringLiteral("English");
}

} // namespace tovik
