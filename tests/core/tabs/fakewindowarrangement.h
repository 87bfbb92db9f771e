#pragma once

#include "tabs/windowarrangement.h"

#include <QHash>

namespace tovik::test {

// A window system described by hand: windows in a stacking order, tab groups, and
// the visible / minimised / key state of each window.
class FakeWindowArrangement final : public WindowArrangement
{
public:
    // A new visible window in front of all others.
    WindowId addWindow()
    {
        const WindowId window{++m_lastValue};
        m_windows.insert(window, {});
        m_stacking.prepend(window);
        return window;
    }

    // Joins the windows into one tab group, in this order left to right. Only the first
    // stays visible; the others become background tabs.
    void makeGroup(const QList<WindowId> &windows)
    {
        for (WindowId window : windows) {
            m_windows[window].group = windows;
            m_windows[window].visible = window == windows.first();
        }
    }

    void bringToFront(WindowId window)
    {
        m_stacking.removeAll(window);
        m_stacking.prepend(window);
    }
    void setVisible(WindowId window, bool visible) { m_windows[window].visible = visible; }
    void setMinimized(WindowId window, bool minimized)
    {
        m_windows[window].minimized = minimized;
        if (minimized)
            m_windows[window].visible = false;
    }
    void setShowingTabOverview(bool showing) { m_overview = showing; }

    void makeKey(WindowId window)
    {
        m_key = window;
        bringToFront(window);
        Q_EMIT windowBecameKey(window);
    }

    // Tells observers, then destroys the window.
    void closeWindow(WindowId window)
    {
        Q_EMIT windowWillClose(window);
        destroy(window);
    }

    // Gone without notice.
    void destroy(WindowId window)
    {
        const QList<WindowId> group = m_windows.value(window).group;
        for (WindowId member : group)
            m_windows[member].group.removeAll(window);
        m_windows.remove(window);
        m_stacking.removeAll(window);
        if (m_key == window)
            m_key = {};
    }

    bool exists(WindowId window) const override { return m_windows.contains(window); }
    bool isVisible(WindowId window) const override { return m_windows.value(window).visible; }
    bool isMinimized(WindowId window) const override { return m_windows.value(window).minimized; }
    QList<WindowId> tabGroup(WindowId window) const override { return m_windows.value(window).group; }
    bool isShowingTabOverview() const override { return m_overview; }
    QList<WindowId> windowsFrontToBack() const override { return m_stacking; }
    WindowId keyWindow() const override { return m_key; }

private:
    struct Window
    {
        bool visible = true;
        bool minimized = false;
        QList<WindowId> group;
    };

    QHash<WindowId, Window> m_windows;
    QList<WindowId> m_stacking;
    WindowId m_key;
    bool m_overview = false;
    quint64 m_lastValue = 0;
};

} // namespace tovik::test
