#pragma once

class QWidget;

namespace tovik {

// Gives a window's content the locale of the interface language ("zh-Hant" or "en"),
// now and after every change, so dates and numbers follow the language.
void followInterfaceLocale(QWidget *window);

} // namespace tovik
