#pragma once

#include <QString>

#include <array>

namespace tovik {

enum class AppLanguage { english, chinese };

// All cases in picker order.
inline constexpr std::array<AppLanguage, 2> allAppLanguages{AppLanguage::english, AppLanguage::chinese};

// "en" / "zh-Hant": the stored value and the locale identifier.
QString rawValue(AppLanguage language);
// "English" / "中文": shown as is in both languages.
QString pickerLabel(AppLanguage language);

} // namespace tovik
