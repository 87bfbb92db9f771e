#pragma once

#include "tabs/opentabcatalog.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace tovik {

// The state of the compare window: which two answered tabs it shows, which side the
// narrow layout shows and whether the window floats. It reads the open tab catalog and
// never changes the tabs. Interface thread only.
class TabComparePage final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QUuid leftID READ leftID NOTIFY leftIDChanged)
    Q_PROPERTY(QUuid rightID READ rightID NOTIFY rightIDChanged)
    Q_PROPERTY(bool showsLeftPage READ showsLeftPage WRITE setShowsLeftPage NOTIFY showsLeftPageChanged)
    Q_PROPERTY(bool staysOnTop READ staysOnTop WRITE setStaysOnTop NOTIFY staysOnTopChanged)
    Q_PROPERTY(bool canCompare READ canCompare NOTIFY answeredIDsChanged)
    Q_DISABLE_COPY_MOVE(TabComparePage)

public:
    enum class Side { left, right };

    // One picker entry: an answered tab and the label it is listed under.
    struct Entry
    {
        QUuid id;
        QString label;

        friend bool operator==(const Entry &, const Entry &) = default;
    };

    explicit TabComparePage(OpenTabCatalog &catalog = OpenTabCatalog::shared(), QObject *parent = nullptr);
    ~TabComparePage() override;

    OpenTabCatalog &catalog() const { return m_catalog; }

    QUuid leftID() const { return m_leftID; }
    QUuid rightID() const { return m_rightID; }
    QUuid id(Side side) const { return side == Side::left ? m_leftID : m_rightID; }

    bool showsLeftPage() const { return m_showsLeftPage; }
    void setShowsLeftPage(bool shows);
    void flipShownPage() { setShowsLeftPage(!m_showsLeftPage); }

    bool staysOnTop() const { return m_staysOnTop; }
    void setStaysOnTop(bool staysOnTop);

    // The ids of the answered tabs, in catalog order.
    const QList<QUuid> &answeredIDs() const { return m_answeredIDs; }
    // Two answered tabs exist; otherwise the window shows its empty state.
    bool canCompare() const { return m_answeredIDs.size() >= 2; }

    // The picker entries: the answered tabs in catalog order, labelled with their titles,
    // shared titles numbered " · 1", " · 2", … in that order.
    const QList<Entry> &entries() const { return m_entries; }
    // The entry label of an id; "tovikRAG" for an id that is not among the entries.
    QString label(const QUuid &id) const;

    // The tab shown on a side; none when its id is not among the catalog's tabs.
    std::optional<OpenTabCatalog::Tab> tab(Side side) const;

    // The window content was shown for the first time: bring the catalog's order up to
    // date and pick the default pair.
    void appear();
    // The user picked `id` in the picker of `side`.
    void choose(Side side, const QUuid &id);

Q_SIGNALS:
    void leftIDChanged();
    void rightIDChanged();
    void showsLeftPageChanged();
    void staysOnTopChanged();
    void answeredIDsChanged();
    void entriesChanged();
    // Any change of the catalog's tabs, sent after the pair and entries were brought up to date.
    void tabsChanged();

private:
    void catalogChanged();
    void applyDefaultPair();
    void setPair(const QUuid &left, const QUuid &right);
    static QList<Entry> entriesOf(const QList<OpenTabCatalog::Tab> &tabs);

    OpenTabCatalog &m_catalog;
    QUuid m_leftID;
    QUuid m_rightID;
    bool m_showsLeftPage = true;
    bool m_staysOnTop = false;
    QList<QUuid> m_answeredIDs;
    QList<Entry> m_entries;
};

} // namespace tovik
