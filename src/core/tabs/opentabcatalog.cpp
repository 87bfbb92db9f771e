#include "tabs/opentabcatalog.h"

#include "tabs/contentrules.h"
#include "tabs/windowarrangement.h"

#include <QSet>

#include <algorithm>

namespace tovik {

namespace {

// Stands in until the main window installs the real arrangement.
class NoWindows final : public WindowArrangement
{
public:
    bool exists(WindowId) const override { return false; }
    bool isVisible(WindowId) const override { return false; }
    bool isMinimized(WindowId) const override { return false; }
    QList<WindowId> tabGroup(WindowId) const override { return {}; }
    bool isShowingTabOverview() const override { return false; }
    QList<WindowId> windowsFrontToBack() const override { return {}; }
    WindowId keyWindow() const override { return {}; }
};

} // namespace

OpenTabCatalog &OpenTabCatalog::shared()
{
    static OpenTabCatalog instance(nullptr);
    return instance;
}

OpenTabCatalog::OpenTabCatalog(WindowArrangement *arrangement, QObject *parent)
    : QObject(parent)
    , m_arrangement(arrangement)
{
}

OpenTabCatalog::~OpenTabCatalog() = default;

void OpenTabCatalog::setArrangement(WindowArrangement *arrangement)
{
    m_arrangement = arrangement;
}

WindowArrangement &OpenTabCatalog::arrangement() const
{
    static NoWindows none;
    return m_arrangement ? *m_arrangement : none;
}

void OpenTabCatalog::setLastFrontID(const QUuid &id)
{
    if (m_lastFrontID == id)
        return;
    m_lastFrontID = id;
    Q_EMIT lastFrontIDChanged();
}

// A background tab is not visible itself, but its group is on screen.
bool OpenTabCatalog::isOpen(WindowId window) const
{
    const WindowArrangement &windows = arrangement();
    if (window.isNull() || !windows.exists(window))
        return false;
    if (windows.isVisible(window) || windows.isMinimized(window))
        return true;
    const QList<WindowId> group = windows.tabGroup(window);
    return std::any_of(group.cbegin(), group.cend(), [&](WindowId other) {
        return other != window && windows.exists(other) && windows.isVisible(other);
    });
}

void OpenTabCatalog::publish(const QUuid &id, const QString &title, const QString &question,
                             const QString &answer, bool isAsking, WindowId window)
{
    if (!window.isNull()) {
        if (!isOpen(window)) {
            remove(id);
            return;
        }
        m_windowAnchors.insert(id, window);
    } else if (!arrangement().exists(m_windowAnchors.value(id))) {
        remove(id);
        return;
    }

    pruneAnchors();
    QList<Tab> working = anchoredTabs();
    const Tab fresh{id, title, question, answer, isAsking};
    auto existing = std::find_if(working.begin(), working.end(), [&](const Tab &tab) { return tab.id == id; });
    if (existing != working.end())
        *existing = fresh;
    else
        working.append(fresh);
    setTabs(inWindowTabOrder(working));
}

void OpenTabCatalog::remove(const QUuid &id)
{
    m_windowAnchors.remove(id);
    QList<Tab> remaining = m_tabs;
    remaining.removeIf([&](const Tab &tab) { return tab.id == id; });
    setTabs(std::move(remaining));
    if (m_lastFrontID == id)
        setLastFrontID({});
}

WindowId OpenTabCatalog::windowFor(const QUuid &id) const
{
    const WindowId window = m_windowAnchors.value(id);
    return arrangement().exists(window) ? window : WindowId{};
}

void OpenTabCatalog::refreshOrder()
{
    pruneAnchors();
    if (!m_lastFrontID.isNull() && !isOpen(m_windowAnchors.value(m_lastFrontID)))
        setLastFrontID({});
    setTabs(inWindowTabOrder(anchoredTabs()));
}

QList<OpenTabCatalog::Tab> OpenTabCatalog::answeredTabs() const
{
    QList<Tab> answered;
    for (const Tab &tab : m_tabs) {
        if (!trimmedView(tab.answer).isEmpty())
            answered.append(tab);
    }
    return answered;
}

std::optional<OpenTabCatalog::SidePair> OpenTabCatalog::defaultPair(const QUuid &preferredLeft,
                                                                    const QUuid &preferredRight) const
{
    QList<QUuid> ids;
    for (const Tab &tab : answeredTabs())
        ids.append(tab.id);
    if (ids.size() < 2)
        return std::nullopt;

    QUuid left = ids.first();
    if (!preferredLeft.isNull() && ids.contains(preferredLeft))
        left = preferredLeft;
    else if (!m_lastFrontID.isNull() && ids.contains(m_lastFrontID))
        left = m_lastFrontID;

    QUuid right;
    if (!preferredRight.isNull() && preferredRight != left && ids.contains(preferredRight)) {
        right = preferredRight;
    } else {
        const qsizetype next = ids.indexOf(left) + 1;
        if (next < ids.size())
            right = ids.at(next);
        else
            right = *std::find_if(ids.cbegin(), ids.cend(), [&](const QUuid &id) { return id != left; });
    }
    return SidePair{left, right};
}

void OpenTabCatalog::pruneAnchors()
{
    const WindowArrangement &windows = arrangement();
    m_windowAnchors.removeIf([&](QHash<QUuid, WindowId>::iterator anchor) { return !windows.exists(anchor.value()); });
}

QList<OpenTabCatalog::Tab> OpenTabCatalog::anchoredTabs() const
{
    QList<Tab> anchored;
    for (const Tab &tab : m_tabs) {
        if (m_windowAnchors.contains(tab.id))
            anchored.append(tab);
    }
    return anchored;
}

// Front window group first, each group's tabs left to right. Tabs whose window is not
// open, or that the window walk never reaches, are left out.
QList<OpenTabCatalog::Tab> OpenTabCatalog::inWindowTabOrder(const QList<Tab> &tabs) const
{
    const WindowArrangement &windows = arrangement();
    // Tabs are being dragged around in the overview: keep what the user sees.
    if (windows.isShowingTabOverview())
        return tabs;

    QHash<WindowId, QList<const Tab *>> tabsByWindow;
    for (const Tab &tab : tabs) {
        const WindowId window = m_windowAnchors.value(tab.id);
        if (isOpen(window))
            tabsByWindow[window].append(&tab);
    }

    QList<Tab> ordered;
    QSet<WindowId> placed;
    auto take = [&](WindowId window) {
        for (const Tab *tab : tabsByWindow.take(window))
            ordered.append(*tab);
    };
    for (WindowId window : windows.windowsFrontToBack()) {
        if (placed.contains(window))
            continue;
        placed.insert(window);
        const QList<WindowId> group = windows.tabGroup(window);
        if (group.isEmpty()) {
            take(window);
            continue;
        }
        for (WindowId member : group) {
            placed.insert(member);
            take(member);
        }
    }
    return ordered;
}

void OpenTabCatalog::setTabs(QList<Tab> tabs)
{
    if (tabs == m_tabs)
        return;
    m_tabs = std::move(tabs);
    Q_EMIT tabsChanged();
}

} // namespace tovik
