#include "history/questionhistorylist.h"

#include "history/historylistmodel.h"
#include "history/historyrowdelegate.h"
#include "i18n/translate.h"
#include "language/retranslate.h"
#include "tabs/userprompts.h"
#include "widgets/emptystatepanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tovik {

QuestionHistoryList::QuestionHistoryList(UserPrompts &prompts, QWidget *parent)
    : QWidget(parent)
    , m_prompts(prompts)
    , m_model(new HistoryListModel(this))
    , m_problem(new QLabel(this))
    , m_empty(new EmptyStatePanel(this))
    , m_searchSlot(new QWidget(this))
    , m_searchSlotLayout(new QVBoxLayout(m_searchSlot))
    , m_body(new QStackedWidget(this))
    , m_listPage(new QWidget(m_body))
    , m_noMatches(new EmptyStatePanel(m_body))
    , m_selectAll(new QPushButton(m_listPage))
    , m_selectedCount(new QLabel(m_listPage))
    , m_delete(new QPushButton(m_listPage))
    , m_list(new QListView(m_listPage))
    , m_noMatchTitle(QStringLiteral("No matching questions"))
    , m_noMatchDescription(QStringLiteral("Try another sentence, or clear the search."))
{
    m_problem->setWordWrap(true);
    m_problem->setForegroundRole(QPalette::PlaceholderText);
    m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_empty->setContent(QStringLiteral("clock.arrow.circlepath"), QStringLiteral("No saved questions"),
                        QStringLiteral("Saved questions and answers will be listed here."));
    m_searchSlotLayout->setContentsMargins(0, 0, 0, 0);

    m_selectedCount->setForegroundRole(QPalette::PlaceholderText);
    auto *bar = new QHBoxLayout;
    bar->setSpacing(8);
    bar->addWidget(m_selectAll);
    bar->addWidget(m_selectedCount);
    bar->addStretch(1);
    bar->addWidget(m_delete);

    auto *delegate = new HistoryRowDelegate(m_list);
    m_list->setModel(m_model);
    m_list->setItemDelegate(delegate);
    m_list->setUniformItemSizes(false);
    // The view paints no row before it has laid out every row it has: the model hands
    // it a thousand at a time (more as it scrolls), laid out a batch per turn.
    m_list->setLayoutMode(QListView::Batched);
    m_list->setBatchSize(256);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setMouseTracking(true);
    m_list->viewport()->installEventFilter(this);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->viewport()->setAutoFillBackground(false);

    auto *listColumn = new QVBoxLayout(m_listPage);
    listColumn->setContentsMargins(0, 0, 0, 0);
    listColumn->setSpacing(8);
    listColumn->addLayout(bar);
    listColumn->addWidget(m_list, 1);
    m_body->addWidget(m_listPage);
    m_body->addWidget(m_noMatches);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(m_problem);
    column->addWidget(m_empty, 1);
    column->addWidget(m_searchSlot);
    column->addWidget(m_body, 1);

    connect(delegate, &HistoryRowDelegate::checkToggled, this, [this](const QModelIndex &index) {
        const qint64 id = index.data(HistoryListModel::RecordIdRole).toLongLong();
        m_model->setSelected(id, !m_model->selectedIDs().contains(id));
    });
    connect(delegate, &HistoryRowDelegate::rowActivated, this, [this](const QModelIndex &index) {
        const int row = index.row();
        // The signal copies the record: loading may save first, which rebuilds the list.
        if (row >= 0 && row < m_model->visibleRecords().size())
            Q_EMIT selectRequested(m_model->visibleRecords().at(row));
    });
    connect(m_list, &QListView::customContextMenuRequested, this, &QuestionHistoryList::showContextMenu);
    m_scrollRetry.setSingleShot(true);
    m_scrollRetry.setInterval(0);
    connect(&m_scrollRetry, &QTimer::timeout, this, &QuestionHistoryList::scrollToCurrent);
    connect(m_model, &HistoryListModel::selectionChanged, this, &QuestionHistoryList::updateState);
    connect(m_selectAll, &QPushButton::clicked, this, &QuestionHistoryList::toggleSelectAll);
    connect(m_delete, &QPushButton::clicked, this, &QuestionHistoryList::deleteSelected);
    followLanguage(this, [this] {
        m_model->refreshStamps();
        updateState();
        m_list->setAccessibleName(translate(QStringLiteral("Saved questions")));
        m_list->setAccessibleDescription(
            translate(QStringLiteral("Saved questions and answers, newest first. Open one to load it in this tab.")));
    });
}

QuestionHistoryList::~QuestionHistoryList()
{
    // Hidden while the list is still whole: whoever watches it leave the screen
    // (the search) may still read it. QWidget's own destructor would hide it too late.
    hide();
}

void QuestionHistoryList::setRecords(const QList<QuestionRecord> &records)
{
    m_records = records;
    // Ticks of records that no longer exist go away with them.
    QSet<qint64> existing;
    existing.reserve(records.size());
    for (const QuestionRecord &record : records)
        existing.insert(record.id);
    m_model->setSelectedIDs(m_model->selectedIDs() & existing);
    refreshVisible();
    Q_EMIT recordsChanged();
}

void QuestionHistoryList::setProblem(const QString &problem)
{
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
}

void QuestionHistoryList::setCurrentID(std::optional<qint64> id)
{
    const bool changed = id != m_model->currentID();
    m_model->setCurrentID(id);
    if (changed && id) {
        m_scrollTries = 0;
        scrollToCurrent();
    }
}

void QuestionHistoryList::scrollToCurrent()
{
    const std::optional<qint64> id = m_model->currentID();
    const int row = id ? m_model->rowOf(*id) : -1;
    if (row < 0)
        return;
    m_model->showRow(row);
    const QModelIndex index = m_model->index(row);
    // A row the batches have not reached has no place yet: try again after the next ones
    // (a list on screen lays out every row within a few hundred turns).
    if (!m_list->visualRect(index).isValid() && m_list->isVisible() && m_scrollTries < 2000) {
        ++m_scrollTries;
        m_scrollRetry.start();
        return;
    }
    m_scrollTries = 0;
    m_list->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void QuestionHistoryList::setSearchBox(QWidget *box)
{
    m_searchSlotLayout->addWidget(box);
    m_searchSlot->setFocusProxy(box);
}

bool QuestionHistoryList::focusSearch()
{
    if (!m_searchSlot->focusProxy() || !m_searchSlot->isVisible())
        return false;
    m_searchSlot->setFocus(Qt::ShortcutFocusReason);
    return true;
}

void QuestionHistoryList::setVisibleFilter(VisibleFilter filter)
{
    m_filter = std::move(filter);
    refreshVisible();
}

void QuestionHistoryList::setNoMatchTexts(const QString &title, const QString &description)
{
    m_noMatchTitle = title;
    m_noMatchDescription = description;
    updateState();
}

void QuestionHistoryList::refreshVisible()
{
    m_model->setVisibleRecords(m_filter ? m_filter(m_records) : m_records);
    updateState();
}

QSet<qint64> QuestionHistoryList::selectedVisibleIDs() const
{
    return m_model->selectedIDs() & m_model->visibleIDs();
}

void QuestionHistoryList::toggleSelectAll()
{
    const QSet<qint64> &visible = m_model->visibleIDs();
    QSet<qint64> selected = m_model->selectedIDs();
    const bool allSelected = !visible.isEmpty() && selected.contains(visible);
    if (allSelected)
        selected.subtract(visible);
    else
        selected.unite(visible);
    m_model->setSelectedIDs(selected);
}

void QuestionHistoryList::deleteSelected()
{
    const QSet<qint64> ids = selectedVisibleIDs();
    if (ids.isEmpty())
        return;
    if (m_prompts.confirmDelete(static_cast<int>(ids.size())))
        Q_EMIT deleteRequested(ids);
}

void QuestionHistoryList::updateState()
{
    const bool hasRecords = !m_records.isEmpty();
    const bool hasVisible = m_model->rowCount() > 0;
    m_empty->setVisible(!hasRecords);
    m_searchSlot->setVisible(hasRecords);
    m_body->setVisible(hasRecords);
    m_body->setCurrentWidget(hasVisible ? m_listPage : static_cast<QWidget *>(m_noMatches));
    m_noMatches->setContent(QStringLiteral("magnifyingglass"), m_noMatchTitle, m_noMatchDescription);

    const int count = static_cast<int>(m_model->selectedVisibleCount());
    const bool allSelected = hasVisible && count == m_model->visibleRecords().size();
    m_selectAll->setText(translate(allSelected ? QStringLiteral("Deselect All") : QStringLiteral("Select All")));
    m_selectedCount->setText(translated(QStringLiteral("{count} selected"), {{QStringLiteral("count"), QString::number(count)}}));
    m_selectedCount->setVisible(count > 0);
    m_delete->setText(translate(QStringLiteral("Delete")));
    m_delete->setEnabled(count > 0);
    m_delete->setToolTip(count > 0 ? translated(QStringLiteral("Delete {count} selected questions"),
                                                {{QStringLiteral("count"), QString::number(count)}})
                                   : translate(QStringLiteral("Select questions to delete first")));
}

void QuestionHistoryList::showContextMenu(const QPoint &pos)
{
    const QModelIndex index = m_list->indexAt(pos);
    if (!index.isValid())
        return;
    const QuestionRecord record = m_model->visibleRecords().value(index.row());
    QMenu menu(this);
    menu.addAction(translate(QStringLiteral("Open in New Tab")), this,
                   [this, record] { Q_EMIT openInNewTabRequested(record); });
    menu.exec(m_list->viewport()->mapToGlobal(pos));
}

bool QuestionHistoryList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const QModelIndex index = m_list->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint());
            m_model->setHoveredID(index.isValid()
                                      ? std::optional<qint64>(index.data(HistoryListModel::RecordIdRole).toLongLong())
                                      : std::nullopt);
        } else if (event->type() == QEvent::Leave) {
            m_model->setHoveredID(std::nullopt);
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tovik
