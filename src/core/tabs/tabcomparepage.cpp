#include "tabs/tabcomparepage.h"

#include "tabs/contentrules.h"

#include <QHash>

#include <algorithm>

namespace tovik {

TabComparePage::TabComparePage(OpenTabCatalog &catalog, QObject *parent)
    : QObject(parent)
    , m_catalog(catalog)
    , m_entries(entriesOf(catalog.tabs()))
{
    for (const Entry &entry : std::as_const(m_entries))
        m_answeredIDs.append(entry.id);
    connect(&m_catalog, &OpenTabCatalog::tabsChanged, this, &TabComparePage::catalogChanged);
}

TabComparePage::~TabComparePage() = default;

void TabComparePage::setShowsLeftPage(bool shows)
{
    if (m_showsLeftPage == shows)
        return;
    m_showsLeftPage = shows;
    Q_EMIT showsLeftPageChanged();
}

void TabComparePage::setStaysOnTop(bool staysOnTop)
{
    if (m_staysOnTop == staysOnTop)
        return;
    m_staysOnTop = staysOnTop;
    Q_EMIT staysOnTopChanged();
}

QString TabComparePage::label(const QUuid &id) const
{
    const auto entry = std::find_if(m_entries.cbegin(), m_entries.cend(),
                                    [&](const Entry &each) { return each.id == id; });
    return entry != m_entries.cend() ? entry->label : QStringLiteral("tovikRAG");
}

std::optional<OpenTabCatalog::Tab> TabComparePage::tab(Side side) const
{
    const QUuid wanted = id(side);
    if (wanted.isNull())
        return std::nullopt;
    const QList<OpenTabCatalog::Tab> &tabs = m_catalog.tabs();
    const auto found = std::find_if(tabs.cbegin(), tabs.cend(),
                                    [&](const OpenTabCatalog::Tab &each) { return each.id == wanted; });
    if (found == tabs.cend())
        return std::nullopt;
    return *found;
}

void TabComparePage::appear()
{
    // refreshOrder may already re-pair through catalogChanged; pairing again is harmless.
    m_catalog.refreshOrder();
    applyDefaultPair();
}

void TabComparePage::choose(Side side, const QUuid &id)
{
    if (id == this->id(side) || !m_answeredIDs.contains(id))
        return;
    // The left side is settled first, so a pair never shows one tab twice.
    const std::optional<OpenTabCatalog::SidePair> pair = side == Side::left
        ? m_catalog.defaultPair(id, m_rightID)
        : m_catalog.defaultPair(m_leftID, id);
    if (pair)
        setPair(pair->left, pair->right);
}

void TabComparePage::catalogChanged()
{
    // Runs on every streamed line of every tab: only labels and trimmed ends are looked at.
    QList<Entry> entries = entriesOf(m_catalog.tabs());
    QList<QUuid> ids;
    ids.reserve(entries.size());
    for (const Entry &entry : std::as_const(entries))
        ids.append(entry.id);

    const bool idsChanged = ids != m_answeredIDs;
    const bool labelsChanged = entries != m_entries;
    m_answeredIDs = std::move(ids);
    m_entries = std::move(entries);
    if (idsChanged) {
        Q_EMIT answeredIDsChanged();
        // Choices that are still answered stay; missing ones are replaced.
        applyDefaultPair();
    }
    if (labelsChanged)
        Q_EMIT entriesChanged();
    Q_EMIT tabsChanged();
}

void TabComparePage::applyDefaultPair()
{
    if (const std::optional<OpenTabCatalog::SidePair> pair = m_catalog.defaultPair(m_leftID, m_rightID))
        setPair(pair->left, pair->right);
}

void TabComparePage::setPair(const QUuid &left, const QUuid &right)
{
    const bool leftChanged = left != m_leftID;
    const bool rightChanged = right != m_rightID;
    m_leftID = left;
    m_rightID = right;
    // Both sides are set before anyone hears of either, so observers never see a half pair.
    if (leftChanged)
        Q_EMIT leftIDChanged();
    if (rightChanged)
        Q_EMIT rightIDChanged();
}

QList<TabComparePage::Entry> TabComparePage::entriesOf(const QList<OpenTabCatalog::Tab> &tabs)
{
    QList<Entry> entries;
    QHash<QString, int> titleCounts;
    for (const OpenTabCatalog::Tab &tab : tabs) {
        if (trimmedView(tab.answer).isEmpty())
            continue;
        entries.append({tab.id, tab.title});
        ++titleCounts[tab.title];
    }
    QHash<QString, int> positions;
    for (Entry &entry : entries) {
        const QString title = entry.label;
        if (titleCounts.value(title) > 1)
            entry.label = title + QStringLiteral(" \u00B7 ") + QString::number(++positions[title]);
    }
    return entries;
}

} // namespace tovik
