#pragma once

#include "preview/citationmarker.h"

#include <QMainWindow>
#include <QList>
#include <QPointer>

class QAction;
class QMenu;
class QStackedWidget;
class QToolButton;

namespace tovik {

class AppServices;
class ContentView;
class TabStrip;
struct QuestionRecord;

// One main window ("tovik"): our own tab bar over a stack of workspaces, one
// ContentView per tab. Tabs can be reordered, moved to a new window and merged back.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(AppServices &services, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Main windows, most recently activated first.
    static QList<MainWindow *> frontToBack();
    // Brings the tab with this id forward (its window raised, the tab current) and shows
    // the page a marker of its answer cites. False when no window holds the tab.
    static bool showCitation(const QUuid &tabID, const CitationMarker &marker);

    ContentView *newTab();
    // Adds a tab at `index` (-1: at the end) and shows it.
    void adoptTab(ContentView *tab, int index = -1);
    // Takes a tab out of this window without closing it.
    ContentView *releaseTab(ContentView *tab);
    // Guarded close of one tab; returns whether it closed.
    bool closeTab(ContentView *tab);
    void moveTabToNewWindow(ContentView *tab);
    void mergeAllWindows();
    void openRecordInNewTab(ContentView *origin, const QuestionRecord &record);

    QList<ContentView *> tabs() const { return m_tabs; }
    ContentView *currentTab() const;
    void setCurrentTab(ContentView *tab);
    bool isCompact() const;
    // The "⋮" button that replaces Compare and Settings at compact width.
    QToolButton *overflowButton() const { return m_overflowButton; }

Q_SIGNALS:
    void tabsChanged();
    void activated();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    void retranslate();
    void updateCompactToolbar();
    // The tab `step` places after the current one, wrapping around.
    void showAdjacentTab(int step);
    void updateTabTitle(ContentView *tab);
    void showTabMenu(int index, const QPoint &globalPos);
    void currentIndexChanged(int index);
    void tabMovedInBar(int from, int to);
    int indexOf(ContentView *tab) const { return static_cast<int>(m_tabs.indexOf(tab)); }

    AppServices &m_services;
    TabStrip *m_strip;
    QStackedWidget *m_stack;
    QList<ContentView *> m_tabs;

    QMenu *m_fileMenu = nullptr;
    QMenu *m_viewMenu = nullptr;
    QMenu *m_windowMenu = nullptr;
    QMenu *m_helpMenu = nullptr;
    QAction *m_newTabAction = nullptr;
    QAction *m_closeTabAction = nullptr;
    QAction *m_closeWindowAction = nullptr;
    QAction *m_quitAction = nullptr;
    QAction *m_sidebarAction = nullptr;
    QAction *m_moveTabAction = nullptr;
    QAction *m_mergeAction = nullptr;
    QAction *m_compareAction = nullptr;
    QAction *m_settingsAction = nullptr;
    QAction *m_nextTabAction = nullptr;
    QAction *m_previousTabAction = nullptr;
    QAction *m_shortcutsAction = nullptr;
    QAction *m_aboutAction = nullptr;
    QToolButton *m_overflowButton = nullptr;
    QAction *m_compareToolAction = nullptr;
    QAction *m_settingsToolAction = nullptr;
    QAction *m_overflowToolAction = nullptr;
    QAction *m_overflowCompareAction = nullptr;
    QAction *m_overflowSettingsAction = nullptr;
    QAction *m_sidebarToolAction = nullptr;
};

} // namespace tovik
