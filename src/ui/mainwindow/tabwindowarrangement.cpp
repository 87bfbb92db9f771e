#include "mainwindow/tabwindowarrangement.h"

#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"

#include <QApplication>

namespace tovik {

namespace {
MainWindow *windowOf(const ContentView *tab)
{
    return tab ? qobject_cast<MainWindow *>(tab->window()) : nullptr;
}
} // namespace

TabWindowArrangement &TabWindowArrangement::shared()
{
    static TabWindowArrangement arrangement;
    return arrangement;
}

WindowId TabWindowArrangement::registerTab(ContentView *tab)
{
    const WindowId id{m_next++};
    m_tabs.insert(id.value, tab);
    return id;
}

void TabWindowArrangement::unregisterTab(WindowId window)
{
    m_tabs.remove(window.value);
}

ContentView *TabWindowArrangement::tabFor(WindowId window) const
{
    return m_tabs.value(window.value);
}

void TabWindowArrangement::tabBecameKey(WindowId window)
{
    Q_EMIT windowBecameKey(window);
}

void TabWindowArrangement::tabWillClose(WindowId window)
{
    Q_EMIT windowWillClose(window);
}

bool TabWindowArrangement::exists(WindowId window) const
{
    return tabFor(window) != nullptr;
}

bool TabWindowArrangement::isVisible(WindowId window) const
{
    const ContentView *tab = tabFor(window);
    const MainWindow *main = windowOf(tab);
    return main && main->isVisible() && !main->isMinimized() && main->currentTab() == tab;
}

bool TabWindowArrangement::isMinimized(WindowId window) const
{
    const MainWindow *main = windowOf(tabFor(window));
    return main && main->isMinimized();
}

QList<WindowId> TabWindowArrangement::tabGroup(WindowId window) const
{
    const MainWindow *main = windowOf(tabFor(window));
    QList<WindowId> group;
    if (!main)
        return group;
    for (const ContentView *tab : main->tabs())
        group.append(tab->windowId());
    return group;
}

QList<WindowId> TabWindowArrangement::windowsFrontToBack() const
{
    QList<WindowId> order;
    for (const MainWindow *main : MainWindow::frontToBack()) {
        if (const ContentView *tab = main->currentTab())
            order.append(tab->windowId());
    }
    return order;
}

WindowId TabWindowArrangement::keyWindow() const
{
    const auto *main = qobject_cast<const MainWindow *>(QApplication::activeWindow());
    const ContentView *tab = main ? main->currentTab() : nullptr;
    return tab ? tab->windowId() : WindowId{};
}

} // namespace tovik
