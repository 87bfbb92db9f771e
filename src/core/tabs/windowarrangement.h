#pragma once

#include "tabs/windowid.h"

#include <QList>
#include <QObject>

namespace tovik {

// What the window system knows about the windows that hold tabs, as far as the open
// tab catalog needs it. Every tab has a window of its own (a WindowId); windows that
// share a tab bar form a tab group. With our tab bar the group is one main window and
// each of its tabs is a "window" of the group; the arrangement that maps the tab bar
// onto these facts lives with the main window. Tests describe any arrangement with a fake.
//
// All calls and signals happen on the interface thread.
class WindowArrangement : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowArrangement)

public:
    using QObject::QObject;
    ~WindowArrangement() override;

    // False once the window has been destroyed (and for ids never handed out).
    virtual bool exists(WindowId window) const = 0;
    // Shown on screen: not hidden, not minimised and, in a tab group, the selected tab.
    virtual bool isVisible(WindowId window) const = 0;
    virtual bool isMinimized(WindowId window) const = 0;
    // The windows of `window`'s tab group, left to right, `window` included; empty when
    // the window belongs to no group.
    virtual QList<WindowId> tabGroup(WindowId window) const = 0;
    // True while any tab group shows its tab overview; the tab order is then in flux.
    virtual bool isShowingTabOverview() const = 0;
    // Every existing window, minimised ones included, front to back (most recently
    // activated first). Listing one window of a group is enough to place the group.
    virtual QList<WindowId> windowsFrontToBack() const = 0;
    // The window receiving keyboard input, or a null id.
    virtual WindowId keyWindow() const = 0;

Q_SIGNALS:
    void windowBecameKey(tovik::WindowId window);
    // Sent just before the window closes, while it still exists.
    void windowWillClose(tovik::WindowId window);
};

} // namespace tovik
