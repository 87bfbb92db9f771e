#pragma once

#include <QStringList>

class QWidget;

namespace tovik::test {

// Walks the accessibility tree of `window` as a screen reader sees it (the interfaces
// QAccessible gives, child by child, skipping hidden parts) and lists every control a
// user can operate that has no accessible name: buttons, check boxes, combo boxes, text
// fields and areas, lists, tabs, sliders, spin boxes and any other widget that takes
// focus with Tab. Each entry names the control's class, object name and its path.
QStringList unnamedControls(QWidget *window);

} // namespace tovik::test
