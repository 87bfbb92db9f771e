#include "documents/documentpreview.h"

#include "documents/findbar.h"
#include "documents/previewpagelist.h"
#include "i18n/translate.h"
#include "language/retranslate.h"
#include "preview/documentpreviewmodel.h"
#include "widgets/busybar.h"
#include "widgets/emptystatepanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tovik {

DocumentPreview::DocumentPreview(DocumentPreviewModel &model, QWidget *parent, PreviewOCRCache *cache)
    : QWidget(parent)
    , m_model(model)
    , m_find(cache)
    , m_loadTask(&model)
    , m_findBar(new FindBar(m_find, this))
    , m_sortLabel(new QLabel(this))
    , m_sort(new QComboBox(this))
    , m_content(new QStackedWidget(this))
    , m_loading(new QWidget(m_content))
    , m_loadingLabel(new QLabel(m_loading))
    , m_cantPreview(new EmptyStatePanel(m_content))
    , m_list(new PreviewPageList(m_find, cache, m_content))
    , m_empty(new EmptyStatePanel(m_content))
{
    for (const CitationPageOrder order : allCitationPageOrders)
        m_sort->addItem(QString(), QVariant::fromValue(static_cast<int>(order)));
    m_sort->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto *sortRow = new QHBoxLayout;
    sortRow->setSpacing(8);
    sortRow->addWidget(m_sortLabel);
    sortRow->addWidget(m_sort);
    sortRow->addStretch(1);

    auto *spinner = makeBusyBar(48, m_loading);
    m_loadingLabel->setForegroundRole(QPalette::PlaceholderText);
    auto *loadingColumn = new QVBoxLayout(m_loading);
    loadingColumn->addStretch(1);
    loadingColumn->addWidget(spinner, 0, Qt::AlignHCenter);
    loadingColumn->addWidget(m_loadingLabel, 0, Qt::AlignHCenter);
    loadingColumn->addStretch(1);

    m_content->addWidget(m_loading);
    m_content->addWidget(m_cantPreview);
    m_content->addWidget(m_list);
    m_content->addWidget(m_empty);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(m_findBar);
    column->addLayout(sortRow);
    column->addWidget(m_content, 1);

    connect(m_sort, &QComboBox::activated, this, [this](int index) {
        m_model.setPageOrder(static_cast<CitationPageOrder>(m_sort->itemData(index).toInt()));
    });
    connect(&m_model, &DocumentPreviewModel::pageOrderChanged, this, [this] {
        m_sort->setCurrentIndex(m_sort->findData(static_cast<int>(m_model.pageOrder())));
        // Rows first, so the find scrolls over the new order.
        refreshRows();
        m_find.setPageOrder(m_model.pageOrder());
        refreshState();
    });
    connect(&m_model, &DocumentPreviewModel::groupsChanged, this, [this] { m_find.setDocuments(m_model.groups()); });
    connect(&m_model, &DocumentPreviewModel::rowsChanged, this, &DocumentPreview::refreshRows);
    connect(&m_model, &DocumentPreviewModel::isLoadingChanged, this, &DocumentPreview::refreshState);
    connect(&m_model, &DocumentPreviewModel::noticeChanged, this, &DocumentPreview::refreshState);
    connect(&m_model, &DocumentPreviewModel::groupsChanged, this, &DocumentPreview::refreshState);

    m_list->setClaims(&m_claims);
    m_sort->setCurrentIndex(m_sort->findData(static_cast<int>(m_model.pageOrder())));
    m_find.setPageOrder(m_model.pageOrder());
    m_find.setDocuments(m_model.groups());
    refreshRows();
    followLanguage(this, [this] {
        refreshTexts();
        refreshState();
    });
}

DocumentPreview::~DocumentPreview() = default;

void DocumentPreview::follow(const QString &answer, const QString &workingDirectory)
{
    m_answer = answer;
    m_workingDirectory = workingDirectory;
    m_claims.follow(answer);
    if (isVisible())
        m_loadTask.follow(answer, workingDirectory);
}

void DocumentPreview::showCitation(qsizetype markerStart)
{
    m_claims.activateMarker(markerStart);
}

void DocumentPreview::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_loadTask.follow(m_answer, m_workingDirectory);
    m_find.sidebarShown();
}

void DocumentPreview::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_loadTask.cancel();
}

void DocumentPreview::refreshRows()
{
    m_list->setRows(m_model.rows());
}

void DocumentPreview::refreshState()
{
    const bool hasGroups = !m_model.groups().isEmpty();
    if (m_model.isLoading() && !hasGroups && !m_model.hasNotice())
        m_state = State::loading;
    else if (m_model.hasNotice() && !hasGroups)
        m_state = State::cantPreview;
    else if (hasGroups)
        m_state = State::rows;
    else
        m_state = State::empty;

    m_findBar->setVisible(hasGroups);
    m_cantPreview->setContent(QStringLiteral("doc.text.magnifyingglass"), QStringLiteral("Can't preview"),
                              m_model.noticeText());
    m_empty->setContent(
        QStringLiteral("doc.richtext"), QStringLiteral("No document pages yet"),
        m_model.pageOrder() == CitationPageOrder::pageNumber
            ? QStringLiteral("Document pages cited in the answer are listed here by page number.")
            : QStringLiteral("Document pages cited in the answer are listed here from top to bottom in answer order."));
    switch (m_state) {
    case State::loading:
        m_content->setCurrentWidget(m_loading);
        break;
    case State::cantPreview:
        m_content->setCurrentWidget(m_cantPreview);
        break;
    case State::rows:
        m_content->setCurrentWidget(m_list);
        break;
    case State::empty:
        m_content->setCurrentWidget(m_empty);
        break;
    }
}

void DocumentPreview::refreshTexts()
{
    m_sortLabel->setText(translate(QStringLiteral("Sort")));
    m_sort->setToolTip(translate(QStringLiteral("Choose how document pages are sorted")));
    m_sortLabel->setToolTip(m_sort->toolTip());
    m_sort->setAccessibleName(m_sortLabel->text());
    for (int index = 0; index < m_sort->count(); ++index)
        m_sort->setItemText(index, displayLabel(static_cast<CitationPageOrder>(m_sort->itemData(index).toInt())));
    m_loadingLabel->setText(translate(QStringLiteral("Loading document pages…")));
}

} // namespace tovik
