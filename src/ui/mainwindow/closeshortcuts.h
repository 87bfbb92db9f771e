#pragma once

class QWidget;

namespace tovik {

// Escape and Ctrl+W close `window`, as in every other secondary window on the desktop.
void installCloseShortcuts(QWidget *window);

} // namespace tovik
