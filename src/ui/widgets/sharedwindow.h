#pragma once

#include <QPointer>
#include <QWidget>

namespace tovik {

// Shows the one window of type W, making it on first use (it goes away when closed),
// and brings it to the front.
template<typename W>
W *showSharedWindow(QWidget *parent)
{
    static QPointer<W> shared;
    if (!shared) {
        shared = new W(parent);
        shared->setAttribute(Qt::WA_DeleteOnClose);
    }
    shared->show();
    shared->raise();
    shared->activateWindow();
    return shared;
}

} // namespace tovik
