#pragma once

class QProgressBar;
class QWidget;

namespace tovik {

// The thin, endlessly running bar that shows work in progress: `width` points wide,
// 6 high, without a percentage.
QProgressBar *makeBusyBar(int width, QWidget *parent);

} // namespace tovik
