#pragma once

#include <QString>

namespace tovik {

// Makes `text` the X11 primary selection, as selecting text does in every X11
// application (a middle click pastes it). Nothing happens where the platform has no
// primary selection or the text is empty.
void offerPrimarySelection(const QString &text);

} // namespace tovik
