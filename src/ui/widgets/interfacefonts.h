#pragma once

#include <QFont>

namespace tovik {

// The sans face every Chinese text is drawn in. Without it named, fontconfig's fallback
// for Han characters may pick a brush (Kai) face or the Japanese or Simplified forms.
inline constexpr const char *chineseSansFamily = "Noto Sans CJK TC";
inline constexpr const char *chineseMonoFamily = "Noto Sans Mono CJK TC";

// `font` with the Traditional Chinese face behind its own, so that Latin text keeps the
// desktop's face and Chinese text gets ours, in either interface language.
QFont withChineseFallback(QFont font);

// Puts the Chinese face behind the application font; call once the application exists.
void applyInterfaceFonts();

} // namespace tovik
