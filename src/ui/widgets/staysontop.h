#pragma once

class QWidget;

namespace tovik {

// Keeps `window` above other windows or not. Changing the flag hides a window, so a
// shown window is put back where it was and brought to the front.
void setStaysOnTop(QWidget *window, bool onTop);

} // namespace tovik
