#pragma once

#include <QString>

namespace tovik {

// The title of the window that shows picture `index` (from 0) of the `count`
// pictures on a page whose caption is `caption` ("report.pdf page 3"): the caption
// alone (or "Open Image") when the page has one picture, otherwise "Image {number}"
// after the caption and " — ". Translated when made; it does not follow later
// language changes.
QString pictureWindowTitle(const QString &caption, qsizetype index, qsizetype count);

} // namespace tovik
