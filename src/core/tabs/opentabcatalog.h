#pragma once

#include "tabs/windowid.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>

#include <optional>

namespace tovik {

class WindowArrangement;

// The process-wide list of open main-window tabs, in the order their tabs appear on
// screen (front window group first, each group left to right). It keeps copies of each
// tab's texts, never the sessions, and remembers for each tab id the window showing it.
// The compare window reads it; tabs feed it through an OpenTabRegistrar.
// Interface thread only.
class OpenTabCatalog final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<tovik::OpenTabCatalog::Tab> tabs READ tabs NOTIFY tabsChanged)
    Q_PROPERTY(QUuid lastFrontID READ lastFrontID WRITE setLastFrontID NOTIFY lastFrontIDChanged)
    Q_DISABLE_COPY_MOVE(OpenTabCatalog)

public:
    struct Tab
    {
        QUuid id;
        QString title;
        QString question; // untrimmed
        QString answer; // untrimmed
        bool isAsking = false;

        friend bool operator==(const Tab &, const Tab &) = default;
    };

    struct SidePair
    {
        QUuid left;
        QUuid right;

        friend bool operator==(const SidePair &, const SidePair &) = default;
    };

    // The catalog of the process. Until setArrangement() is called it knows no
    // windows, so every publish is treated as a closed tab.
    static OpenTabCatalog &shared();

    // A catalog over the given arrangement (not owned; may be null = no windows).
    explicit OpenTabCatalog(WindowArrangement *arrangement, QObject *parent = nullptr);
    ~OpenTabCatalog() override;

    // Installs the window facts; meant to be called once, before the first tab publishes.
    void setArrangement(WindowArrangement *arrangement);
    WindowArrangement &arrangement() const;

    const QList<Tab> &tabs() const { return m_tabs; }

    // The tab whose window was most recently key; null when none.
    QUuid lastFrontID() const { return m_lastFrontID; }
    void setLastFrontID(const QUuid &id);

    // Records or refreshes one tab. A null window means "the window it had": the tab is
    // dropped when it has none or that window is gone, and when a given window is not open.
    void publish(const QUuid &id, const QString &title, const QString &question, const QString &answer,
                 bool isAsking, WindowId window);
    void remove(const QUuid &id);

    // The window showing the tab, or a null id when unknown or destroyed.
    WindowId windowFor(const QUuid &id) const;

    // Forgets destroyed windows and re-sorts into window-tab order; call after tabs were
    // rearranged and when the compare window is shown.
    void refreshOrder();

    // The tabs, in order, whose answer holds more than white space (streaming counts).
    QList<Tab> answeredTabs() const;

    // Two different answered tabs to compare: the preferences where they are answered,
    // else the last front tab or the first for the left, and the tab after the left for
    // the right. None with fewer than two answered tabs. Null ids are "no preference".
    std::optional<SidePair> defaultPair(const QUuid &preferredLeft = {}, const QUuid &preferredRight = {}) const;

Q_SIGNALS:
    void tabsChanged();
    void lastFrontIDChanged();

private:
    bool isOpen(WindowId window) const;
    void pruneAnchors();
    QList<Tab> anchoredTabs() const;
    QList<Tab> inWindowTabOrder(const QList<Tab> &tabs) const;
    void setTabs(QList<Tab> tabs);

    QPointer<WindowArrangement> m_arrangement;
    QList<Tab> m_tabs;
    QUuid m_lastFrontID;
    QHash<QUuid, WindowId> m_windowAnchors;
};

} // namespace tovik
