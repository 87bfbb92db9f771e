#pragma once

#include "tabs/windowarrangement.h"

#include <QHash>
#include <QPointer>

namespace tovik {

class ContentView;

// The window facts of our own tab bar: every tab is a "window" of its main window's
// tab group; groups are ordered by the main windows' most recent activation and their
// tabs left to right.
class TabWindowArrangement final : public WindowArrangement
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TabWindowArrangement)

public:
    static TabWindowArrangement &shared();

    WindowId registerTab(ContentView *tab);
    void unregisterTab(WindowId window);
    ContentView *tabFor(WindowId window) const;
    void tabBecameKey(WindowId window);
    void tabWillClose(WindowId window);

    bool exists(WindowId window) const override;
    bool isVisible(WindowId window) const override;
    bool isMinimized(WindowId window) const override;
    QList<WindowId> tabGroup(WindowId window) const override;
    bool isShowingTabOverview() const override { return false; }
    QList<WindowId> windowsFrontToBack() const override;
    WindowId keyWindow() const override;

private:
    TabWindowArrangement() = default;

    QHash<quint64, QPointer<ContentView>> m_tabs;
    quint64 m_next = 1;
};

} // namespace tovik
