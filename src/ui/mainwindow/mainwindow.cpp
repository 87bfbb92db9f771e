#include "mainwindow/mainwindow.h"

#include "appservices.h"
#include "help/aboutdialog.h"
#include "help/keyboardshortcutsdialog.h"
#include "history/questionrecord.h"
#include "i18n/translate.h"
#include "language/localefollower.h"
#include "language/retranslate.h"
#include "language/uitexts.h"
#include "mainwindow/contentview.h"
#include "mainwindow/tabstrip.h"
#include "tabs/contentmodel.h"
#include "tabs/contentrules.h"
#include "tabs/opentabcatalog.h"
#include "widgets/symbolicon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace tovik {

namespace {
QList<MainWindow *> &windowOrder()
{
    static QList<MainWindow *> order;
    return order;
}
} // namespace

MainWindow::MainWindow(AppServices &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_strip(new TabStrip(this))
    , m_stack(new QStackedWidget(this))
{
    setObjectName(QStringLiteral("tovik"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1080, 720);
    setMinimumWidth(static_cast<int>(minimumContentWidth));

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_strip);
    column->addWidget(m_stack, 1);
    setCentralWidget(central);

    windowOrder().prepend(this);

    connect(m_strip, &TabStrip::newTabRequested, this, [this] { newTab(); });
    connect(m_strip, &TabStrip::contextMenuRequested, this, &MainWindow::showTabMenu);
    connect(m_strip->bar(), &QTabBar::currentChanged, this, &MainWindow::currentIndexChanged);
    connect(m_strip->bar(), &QTabBar::tabMoved, this, &MainWindow::tabMovedInBar);
    connect(m_strip->bar(), &QTabBar::tabCloseRequested, this,
            [this](int index) { closeTab(m_tabs.value(index)); });

    buildMenus();
    buildToolbar();
    followLanguage(this, [this] { retranslate(); });
    followInterfaceLocale(this);
}

MainWindow::~MainWindow()
{
    windowOrder().removeAll(this);
}

QList<MainWindow *> MainWindow::frontToBack()
{
    return windowOrder();
}

void MainWindow::buildMenus()
{
    m_fileMenu = menuBar()->addMenu(QString());
    m_newTabAction = m_fileMenu->addAction(QString(), this, [this] { newTab(); });
    m_newTabAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    m_fileMenu->addSeparator();
    m_closeTabAction = m_fileMenu->addAction(QString(), this, [this] { closeTab(currentTab()); });
    m_closeTabAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    m_closeWindowAction = m_fileMenu->addAction(QString(), this, [this] { close(); });
    m_closeWindowAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    m_fileMenu->addSeparator();
    m_settingsAction = m_fileMenu->addAction(QString(), this, [this] {
        if (m_services.openSettingsWindow)
            m_services.openSettingsWindow();
    });
    m_settingsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_settingsAction->setMenuRole(QAction::PreferencesRole);
    m_fileMenu->addSeparator();
    m_quitAction = m_fileMenu->addAction(QString(), this, [this] {
        // Quitting never asks about unsaved questions.
        m_services.setTerminating();
        QApplication::closeAllWindows();
    });
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setMenuRole(QAction::QuitRole);

    m_viewMenu = menuBar()->addMenu(QString());
    m_sidebarAction = m_viewMenu->addAction(QString(), this, [this] {
        if (ContentView *tab = currentTab())
            tab->toggleSidebar(isCompact());
    });
    m_sidebarAction->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    connect(m_viewMenu, &QMenu::aboutToShow, this, [this] { retranslate(); });

    m_windowMenu = menuBar()->addMenu(QString());
    m_compareAction = m_windowMenu->addAction(QString(), this, [this] {
        if (m_services.openCompareWindow)
            m_services.openCompareWindow();
    });
    m_compareAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    m_windowMenu->addSeparator();
    m_moveTabAction = m_windowMenu->addAction(QString(), this, [this] { moveTabToNewWindow(currentTab()); });
    m_mergeAction = m_windowMenu->addAction(QString(), this, [this] { mergeAllWindows(); });
    m_windowMenu->addSeparator();
    m_nextTabAction = m_windowMenu->addAction(QString(), this, [this] { showAdjacentTab(+1); });
    m_nextTabAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)});
    m_previousTabAction = m_windowMenu->addAction(QString(), this, [this] { showAdjacentTab(-1); });
    // Shift+Tab arrives as Backtab.
    m_previousTabAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                                       QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    connect(m_windowMenu, &QMenu::aboutToShow, this, [this] {
        m_moveTabAction->setEnabled(m_tabs.size() > 1);
        m_mergeAction->setEnabled(frontToBack().size() > 1);
    });

    m_helpMenu = menuBar()->addMenu(QString());
    m_shortcutsAction = m_helpMenu->addAction(QString(), this, [this] { showKeyboardShortcuts(this); });
    m_shortcutsAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Question));
    m_helpMenu->addSeparator();
    m_aboutAction = m_helpMenu->addAction(QString(), this, [this] { showAbout(this); });
    m_aboutAction->setMenuRole(QAction::AboutRole);
}

void MainWindow::showAdjacentTab(int step)
{
    const int count = static_cast<int>(m_tabs.size());
    if (count < 2)
        return;
    const int index = (m_strip->bar()->currentIndex() + step + count) % count;
    setCurrentTab(m_tabs.at(index));
}

void MainWindow::buildToolbar()
{
    auto *toolbar = addToolBar(QStringLiteral("main"));
    toolbar->setObjectName(QStringLiteral("mainToolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->toggleViewAction()->setVisible(false);
    // Compact width only: the sidebar button at the leading end flips sidebar and detail.
    m_sidebarToolAction = toolbar->addAction(symbolIcon(QStringLiteral("sidebar.leading"), toolbar), QString(), this, [this] {
        if (ContentView *tab = currentTab())
            tab->toggleSidebar(true);
    });
    auto *spacer = new QWidget(toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);

    m_compareToolAction = toolbar->addAction(symbolIcon(QStringLiteral("rectangle.split.2x1"), toolbar), QString(),
                                             m_compareAction, &QAction::trigger);
    m_settingsToolAction = toolbar->addAction(symbolIcon(QStringLiteral("gearshape"), toolbar), QString(),
                                              m_settingsAction, &QAction::trigger);

    m_overflowButton = new QToolButton(toolbar);
    m_overflowButton->setIcon(symbolIcon(QStringLiteral("ellipsis"), m_overflowButton));
    m_overflowButton->setPopupMode(QToolButton::InstantPopup);
    // Its own items: the toolbar's two are hidden exactly when this menu is shown.
    auto *overflow = new QMenu(m_overflowButton);
    m_overflowCompareAction = overflow->addAction(symbolIcon(QStringLiteral("rectangle.split.2x1"), overflow), QString(),
                                                  m_compareAction, &QAction::trigger);
    m_overflowSettingsAction = overflow->addAction(QString(), m_settingsAction, &QAction::trigger);
    m_overflowButton->setMenu(overflow);
    m_overflowToolAction = toolbar->addWidget(m_overflowButton);
    updateCompactToolbar();
}

void MainWindow::retranslate()
{
    m_fileMenu->setTitle(uiText(UiText::FileMenu));
    m_viewMenu->setTitle(uiText(UiText::ViewMenu));
    m_windowMenu->setTitle(uiText(UiText::WindowMenu));
    m_newTabAction->setText(uiText(UiText::NewTab));
    m_closeTabAction->setText(uiText(UiText::CloseTab));
    m_closeWindowAction->setText(uiText(UiText::CloseWindow));
    m_quitAction->setText(uiText(UiText::Quit));
    m_settingsAction->setText(uiText(UiText::ShowSettings));
    m_moveTabAction->setText(uiText(UiText::MoveTabToNewWindow));
    m_mergeAction->setText(uiText(UiText::MergeAllWindows));
    m_nextTabAction->setText(uiText(UiText::ShowNextTab));
    m_previousTabAction->setText(uiText(UiText::ShowPreviousTab));
    m_helpMenu->setTitle(uiText(UiText::HelpMenu));
    m_shortcutsAction->setText(uiText(UiText::KeyboardShortcuts));
    m_aboutAction->setText(translate(QStringLiteral("About tovikRAG")));
    m_compareAction->setText(translate(QStringLiteral("Compare Tabs")));
    const ContentView *tab = currentTab();
    const QString sidebarText = translate(tab && !tab->isSidebarShown(isCompact()) ? QStringLiteral("Show Sidebar")
                                                                                     : QStringLiteral("Hide Sidebar"));
    m_sidebarAction->setText(sidebarText);
    m_sidebarToolAction->setText(sidebarText);
    m_sidebarToolAction->setToolTip(sidebarText);

    m_compareToolAction->setText(translate(QStringLiteral("Compare")));
    m_compareToolAction->setToolTip(translate(QStringLiteral("Compare two tabs' questions and answers side by side")));
    m_settingsToolAction->setText(translate(QStringLiteral("Settings")));
    m_settingsToolAction->setToolTip(translate(QStringLiteral("Settings")));
    m_overflowCompareAction->setText(m_compareToolAction->text());
    m_overflowSettingsAction->setText(m_settingsToolAction->text());
    const QString overflowHelp = translate(QStringLiteral("Compare")) + QStringLiteral(", ")
        + translate(QStringLiteral("Settings"));
    m_overflowButton->setToolTip(overflowHelp);
    m_overflowButton->setAccessibleName(overflowHelp);
    for (ContentView *each : std::as_const(m_tabs))
        updateTabTitle(each);
}

bool MainWindow::isCompact() const
{
    return centralWidget()->width() <= compactWidth;
}

void MainWindow::updateCompactToolbar()
{
    const bool compact = isCompact();
    m_compareToolAction->setVisible(!compact);
    m_settingsToolAction->setVisible(!compact);
    m_overflowToolAction->setVisible(compact);
    m_sidebarToolAction->setVisible(compact);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    updateCompactToolbar();
}

bool MainWindow::showCitation(const QUuid &tabID, const CitationMarker &marker)
{
    for (MainWindow *window : frontToBack()) {
        for (ContentView *tab : window->m_tabs) {
            if (tab->tabID() != tabID)
                continue;
            window->setCurrentTab(tab);
            window->raise();
            window->activateWindow();
            tab->showCitation(marker);
            return true;
        }
    }
    return false;
}

ContentView *MainWindow::newTab()
{
    auto *tab = new ContentView(m_services);
    adoptTab(tab, -1);
    tab->focusQuestion();
    return tab;
}

void MainWindow::adoptTab(ContentView *tab, int index)
{
    if (index < 0 || index > m_tabs.size())
        index = static_cast<int>(m_tabs.size());
    m_tabs.insert(index, tab);
    m_stack->addWidget(tab);
    connect(tab, &ContentView::titleChanged, this, [this, tab] { updateTabTitle(tab); });
    connect(tab, &ContentView::sidebarShownChanged, this, [this] { retranslate(); });
    {
        const QSignalBlocker blocker(m_strip->bar());
        m_strip->bar()->insertTab(index, tab->title());
    }
    connect(tab, &ContentView::openInNewTabRequested, this,
            [this, tab](const QuestionRecord &record) { openRecordInNewTab(tab, record); });
    updateTabTitle(tab);
    setCurrentTab(tab);
    tab->attachedToWindow();
    Q_EMIT tabsChanged();
}

void MainWindow::openRecordInNewTab(ContentView *origin, const QuestionRecord &record)
{
    // The new tab goes right after its origin and loads the record once, without
    // taking keyboard focus into its (read-only) question.
    auto *tab = new ContentView(m_services);
    adoptTab(tab, indexOf(origin) + 1);
    tab->model().loadRecord(record);
    OpenTabCatalog::shared().refreshOrder();
}

ContentView *MainWindow::releaseTab(ContentView *tab)
{
    const int index = indexOf(tab);
    if (index < 0)
        return nullptr;
    disconnect(tab, nullptr, this, nullptr);
    m_tabs.removeAt(index);
    m_stack->removeWidget(tab);
    tab->setParent(nullptr);
    {
        const QSignalBlocker blocker(m_strip->bar());
        m_strip->bar()->removeTab(index);
    }
    if (!m_tabs.isEmpty())
        setCurrentTab(m_tabs.value(std::min<int>(index, static_cast<int>(m_tabs.size()) - 1)));
    Q_EMIT tabsChanged();
    return tab;
}

bool MainWindow::closeTab(ContentView *tab)
{
    if (!tab || indexOf(tab) < 0)
        return false;
    if (!m_services.isTerminating() && !tab->confirmClose())
        return false;
    releaseTab(tab);
    tab->prepareToClose();
    tab->deleteLater();
    if (m_tabs.isEmpty())
        close();
    return true;
}

void MainWindow::moveTabToNewWindow(ContentView *tab)
{
    if (!tab || m_tabs.size() < 2)
        return;
    releaseTab(tab);
    auto *window = new MainWindow(m_services);
    window->resize(size());
    window->adoptTab(tab);
    window->show();
    window->activateWindow();
}

void MainWindow::mergeAllWindows()
{
    for (MainWindow *other : frontToBack()) {
        if (other == this)
            continue;
        for (ContentView *tab : other->tabs())
            adoptTab(other->releaseTab(tab));
        other->close();
    }
}

ContentView *MainWindow::currentTab() const
{
    return m_tabs.value(m_strip->bar()->currentIndex());
}

void MainWindow::setCurrentTab(ContentView *tab)
{
    const int index = indexOf(tab);
    if (index < 0)
        return;
    m_strip->bar()->setCurrentIndex(index);
    m_stack->setCurrentWidget(tab);
    currentIndexChanged(index);
}

void MainWindow::currentIndexChanged(int index)
{
    ContentView *tab = m_tabs.value(index);
    if (!tab)
        return;
    m_stack->setCurrentWidget(tab);
    setWindowTitle(tab->title());
    retranslate();
    if (isActiveWindow())
        tab->windowBecameActive();
}

void MainWindow::tabMovedInBar(int from, int to)
{
    m_tabs.move(from, to);
    // The compare window lists tabs in tab-bar order.
    OpenTabCatalog::shared().refreshOrder();
    Q_EMIT tabsChanged();
}

void MainWindow::updateTabTitle(ContentView *tab)
{
    const int index = indexOf(tab);
    if (index < 0)
        return;
    m_strip->bar()->setTabText(index, tab->title());
    m_strip->bar()->setTabToolTip(index, tab->title());
    // The bar's own close buttons speak Qt's untranslated words; a screen reader says
    // which tab each one closes.
    for (const auto side : {QTabBar::LeftSide, QTabBar::RightSide}) {
        if (QWidget *close = m_strip->bar()->tabButton(index, side)) {
            close->setAccessibleName(uiText(UiText::CloseTab));
            close->setAccessibleDescription(tab->title());
            close->setToolTip(uiText(UiText::CloseTab));
        }
    }
    if (tab == currentTab())
        setWindowTitle(tab->title());
}

void MainWindow::showTabMenu(int index, const QPoint &globalPos)
{
    ContentView *tab = m_tabs.value(index);
    if (!tab)
        return;
    QMenu menu(this);
    menu.addAction(uiText(UiText::CloseTab), this, [this, tab] { closeTab(tab); });
    QAction *move = menu.addAction(uiText(UiText::MoveTabToNewWindow), this, [this, tab] { moveTabToNewWindow(tab); });
    move->setEnabled(m_tabs.size() > 1);
    QAction *merge = menu.addAction(uiText(UiText::MergeAllWindows), this, [this] { mergeAllWindows(); });
    merge->setEnabled(frontToBack().size() > 1);
    menu.exec(globalPos);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Each dirty tab asks on its own; a refusal keeps the window and the tabs not yet closed.
    const QList<ContentView *> tabs = m_tabs;
    for (ContentView *tab : tabs) {
        if (!m_services.isTerminating()) {
            setCurrentTab(tab);
            if (!tab->confirmClose()) {
                event->ignore();
                return;
            }
        }
    }
    for (ContentView *tab : tabs)
        tab->prepareToClose();
    event->accept();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        windowOrder().removeAll(this);
        windowOrder().prepend(this);
        OpenTabCatalog::shared().refreshOrder();
        if (ContentView *tab = currentTab())
            tab->windowBecameActive();
        Q_EMIT activated();
    }
}

} // namespace tovik
