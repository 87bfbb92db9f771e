#include "compare/comparewindow.h"

#include "mainwindow/closeshortcuts.h"
#include "mainwindow/mainwindow.h"
#include "widgets/staysontop.h"

#include "compare/comparecolumn.h"
#include "i18n/translate.h"
#include "language/localefollower.h"
#include "language/retranslate.h"
#include "tabs/contentrules.h"
#include "widgets/emptystatepanel.h"
#include "widgets/symbolicon.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPointer>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>

namespace tovik {

namespace {
QPointer<CompareWindow> &sharedInstance()
{
    static QPointer<CompareWindow> instance;
    return instance;
}
} // namespace

CompareWindow::CompareWindow(OpenTabCatalog &catalog, QWidget *parent)
    : QMainWindow(parent, Qt::Window)
    , m_page(new TabComparePage(catalog, this))
    , m_stack(new QStackedWidget(this))
    , m_empty(new EmptyStatePanel(m_stack))
    , m_comparison(new QWidget(m_stack))
    , m_left(new CompareColumn(QStringLiteral("Left"), m_comparison))
    , m_right(new CompareColumn(QStringLiteral("Right"), m_comparison))
{
    setObjectName(QStringLiteral("tovik-compare"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(defaultWidth, defaultHeight);

    m_empty->setContent(QStringLiteral("rectangle.split.2x1"), QStringLiteral("Need two answered tabs"),
                        QStringLiteral("Open at least two tovikRAG tabs that already have answers."));
    auto *divider = new QFrame(m_comparison);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    m_divider = divider;
    auto *row = new QHBoxLayout(m_comparison);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_left, 1);
    row->addWidget(m_divider);
    row->addWidget(m_right, 1);

    m_stack->addWidget(m_empty);
    m_stack->addWidget(m_comparison);
    // An explicit minimum overrides what the two columns would ask for side by side, so
    // the window can always be narrowed to the one-column layout.
    m_stack->setMinimumWidth(static_cast<int>(minimumContentWidth));
    setCentralWidget(m_stack);
    buildToolbar();
    installCloseShortcuts(this);
    m_stack->installEventFilter(this);

    const TabComparePage &page = *m_page;
    connect(&page, &TabComparePage::answeredIDsChanged, this, &CompareWindow::refreshLayout);
    connect(&page, &TabComparePage::showsLeftPageChanged, this, &CompareWindow::refreshLayout);
    connect(&page, &TabComparePage::entriesChanged, this, &CompareWindow::refreshPickers);
    for (auto signal : {&TabComparePage::leftIDChanged, &TabComparePage::rightIDChanged}) {
        connect(&page, signal, this, [this] {
            refreshPickers();
            refreshColumns();
        });
    }
    connect(&page, &TabComparePage::tabsChanged, this, &CompareWindow::refreshColumns);
    connect(&page, &TabComparePage::staysOnTopChanged, this, [this] {
        refreshPin();
        applyStaysOnTop();
    });
    for (CompareColumn *column : {m_left, m_right})
        connect(column, &CompareColumn::citationActivated, this, &MainWindow::showCitation);
    connect(m_left, &CompareColumn::picked, m_page,
            [this](const QUuid &id) { m_page->choose(TabComparePage::Side::left, id); refreshPickers(); });
    connect(m_right, &CompareColumn::picked, m_page,
            [this](const QUuid &id) { m_page->choose(TabComparePage::Side::right, id); refreshPickers(); });

    followInterfaceLocale(this);
    followLanguage(this, [this] { retranslate(); });
    refreshPickers();
    refreshColumns();
    refreshLayout();
}

CompareWindow::~CompareWindow() = default;

CompareWindow *CompareWindow::showShared()
{
    QPointer<CompareWindow> &shared = sharedInstance();
    if (!shared)
        shared = new CompareWindow;
    shared->show();
    if (shared->isMinimized())
        shared->showNormal();
    shared->raise();
    shared->activateWindow();
    return shared;
}

CompareWindow *CompareWindow::sharedWindow()
{
    return sharedInstance();
}

void CompareWindow::buildToolbar()
{
    auto *toolbar = addToolBar(QStringLiteral("compare"));
    toolbar->setObjectName(QStringLiteral("compareToolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setVisible(false);
    auto *spacer = new QWidget(toolbar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolbar->addWidget(spacer);

    m_flip = new QToolButton(toolbar);
    m_flip->setObjectName(QStringLiteral("compareFlip"));
    m_flip->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_flip->setAutoRaise(true);
    m_flipAction = toolbar->addWidget(m_flip);
    connect(m_flip, &QToolButton::clicked, m_page, &TabComparePage::flipShownPage);

    m_pin = new QToolButton(toolbar);
    m_pin->setObjectName(QStringLiteral("comparePin"));
    m_pin->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_pin->setAutoRaise(true);
    // The pressed look tells pinned from not pinned where the icon theme has one pin only.
    m_pin->setCheckable(true);
    toolbar->addWidget(m_pin);
    connect(m_pin, &QToolButton::clicked, m_page, [this] { m_page->setStaysOnTop(!m_page->staysOnTop()); });
    refreshPin();
}

void CompareWindow::retranslate()
{
    setWindowTitle(translate(QStringLiteral("Compare Tabs")));
    m_pin->setText(translate(QStringLiteral("Pin")));
    m_pin->setToolTip(translate(QStringLiteral("Keep this window in front of other windows")));
    m_pin->setAccessibleName(translate(QStringLiteral("Pin")));
    refreshLayout();
}

void CompareWindow::refreshLayout()
{
    const bool comparing = m_page->canCompare();
    m_stack->setCurrentWidget(comparing ? m_comparison : m_empty);
    m_compact = m_stack->width() <= compactWidth;
    const bool showsLeft = m_page->showsLeftPage();
    m_left->setVisible(!m_compact || showsLeft);
    m_right->setVisible(!m_compact || !showsLeft);
    m_divider->setVisible(!m_compact);

    m_flipAction->setVisible(comparing && m_compact);
    const QString flipHelp = translate(showsLeft ? QStringLiteral("Show right") : QStringLiteral("Show left"));
    m_flip->setIcon(symbolIcon(showsLeft ? QStringLiteral("arrow.right") : QStringLiteral("arrow.left"), m_flip));
    m_flip->setToolTip(flipHelp);
    m_flip->setAccessibleName(flipHelp);
}

void CompareWindow::refreshPickers()
{
    m_left->setEntries(m_page->entries(), m_page->leftID());
    m_right->setEntries(m_page->entries(), m_page->rightID());
}

void CompareWindow::refreshColumns()
{
    m_left->showTab(m_page->tab(TabComparePage::Side::left));
    m_right->showTab(m_page->tab(TabComparePage::Side::right));
}

void CompareWindow::refreshPin()
{
    const bool pinned = m_page->staysOnTop();
    m_pin->setChecked(pinned);
    m_pin->setIcon(symbolIcon(pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"), m_pin));
}

void CompareWindow::applyStaysOnTop()
{
    setStaysOnTop(this, m_page->staysOnTop());
}

void CompareWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    m_page->appear();
    refreshPickers();
    refreshColumns();
    refreshLayout();
}

void CompareWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Tabs may have been dragged around while another window was in front.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_appeared)
        m_page->catalog().refreshOrder();
}

bool CompareWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_stack && event->type() == QEvent::Resize)
        refreshLayout();
    return QMainWindow::eventFilter(watched, event);
}

} // namespace tovik
