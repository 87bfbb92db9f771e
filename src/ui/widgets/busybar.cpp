#include "widgets/busybar.h"

#include <QProgressBar>

namespace tovik {

QProgressBar *makeBusyBar(int width, QWidget *parent)
{
    auto *bar = new QProgressBar(parent);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(width, 6);
    return bar;
}

} // namespace tovik
