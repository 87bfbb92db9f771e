#include "mainwindow/closeshortcuts.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace tovik {

void installCloseShortcuts(QWidget *window)
{
    // Not QKeySequence::Close: on X11 its first binding is Ctrl+F4.
    for (const QKeySequence &keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto *shortcut = new QShortcut(keys, window);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, window, [window] { window->close(); });
    }
}

} // namespace tovik
