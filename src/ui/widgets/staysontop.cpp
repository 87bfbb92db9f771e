#include "widgets/staysontop.h"

#include <QWidget>

namespace tovik {

void setStaysOnTop(QWidget *window, bool onTop)
{
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool wasVisible = window->isVisible();
    const QByteArray geometry = window->saveGeometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (!wasVisible)
        return;
    window->restoreGeometry(geometry);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace tovik
