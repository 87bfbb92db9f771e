#include "documents/previewpagelist.h"

#include "documents/previewheaderrow.h"
#include "documents/previewpagerow.h"
#include "documents/selectablepdfpageview.h"
#include "i18n/translate.h"
#include "language/retranslate.h"
#include "preview/answerclaims.h"
#include "preview/previewfind.h"
#include "preview/previewocrcache.h"
#include "widgets/busybar.h"

#include <algorithm>

#include <QElapsedTimer>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace tovik {

namespace {

QWidget *makeLoadingRow(QWidget *parent)
{
    auto *row = new QWidget(parent);
    auto *spinner = makeBusyBar(28, row);
    auto *label = new QLabel(row);
    auto *line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    line->addWidget(spinner, 0, Qt::AlignVCenter);
    line->addWidget(label);
    line->addStretch(1);
    followLanguage(label, [label] { label->setText(translate(QStringLiteral("Loading document pages…"))); });
    return row;
}

} // namespace

PreviewPageList::PreviewPageList(PreviewFind &find, PreviewOCRCache *cache, QWidget *parent)
    : QScrollArea(parent)
    , m_find(find)
    , m_cache(cache)
    , m_content(new QWidget)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *column = new QVBoxLayout(m_content);
    column->setContentsMargins(0, 4, 0, 4);
    column->setSpacing(8);
    column->addStretch(1);
    setWidget(m_content);
    m_content->installEventFilter(this);

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &PreviewPageList::updateMaterialized);
    connect(&m_find, &PreviewFind::findMatchesChanged, this, &PreviewPageList::refreshFindInputs);
    connect(&m_find, &PreviewFind::findIndexChanged, this, &PreviewPageList::refreshFindInputs);
    connect(&m_find, &PreviewFind::findRevealChanged, this, [this] {
        refreshFindInputs();
        scrollToActiveMatch();
    });
    followLanguage(this, [this] {
        refreshFindInputs();
        setAccessibleName(translate(QStringLiteral("Cited pages")));
        setAccessibleDescription(translate(QStringLiteral("The pages the answer cites, by document.")));
    });
}

namespace {
// A row costs a millisecond or two to make and show (its labels lay out their text);
// a list of thousands of rows is made a slice per turn, so the window keeps answering.
constexpr qint64 buildSliceMs = 8;
} // namespace

void PreviewPageList::setRows(const QList<PreviewRow> &rows)
{
    m_rows = rows;
    QList<QString> order;
    QHash<QString, QWidget *> widgets;
    bool firstHeader = true;
    QElapsedTimer slice;
    slice.start();
    bool deferred = false; // rows left to make on the next turn
    for (const PreviewRow &row : rows) {
        const QString identity = row.identity();
        if (widgets.contains(identity))
            continue; // identities are unique in a published list
        QWidget *widget = m_widgets.take(identity);
        if (!widget && (deferred || slice.elapsed() >= buildSliceMs)) {
            deferred = true;
            if (row.kind == PreviewRow::Kind::header)
                firstHeader = false;
            continue;
        }
        const bool made = !widget;
        switch (row.kind) {
        case PreviewRow::Kind::header: {
            auto *header = qobject_cast<PreviewHeaderRow *>(widget);
            if (!header)
                header = new PreviewHeaderRow(m_content);
            header->setDocument(row.document);
            header->setFirst(firstHeader);
            firstHeader = false;
            widget = header;
            break;
        }
        case PreviewRow::Kind::page: {
            auto *page = qobject_cast<PreviewPageRow *>(widget);
            if (!page)
                page = new PreviewPageRow(m_cache, m_content);
            if (made && m_claims)
                connect(page, &PreviewPageRow::claimClicked, m_claims, &AnswerClaims::activateClaim);
            if (page->filename() != row.filename || !(page->page() == row.page))
                page->setPage(row.filename, row.page);
            page->setClaims(claimsOf(row.filename, row.page.page), m_claims ? m_claims->activeClaim() : -1);
            if (page->isMaterialized())
                page->apply(inputFor(*page));
            widget = page;
            break;
        }
        case PreviewRow::Kind::loading:
            if (!widget)
                widget = makeLoadingRow(m_content);
            break;
        }
        if (made)
            widget->show(); // now, so that its cost counts towards this turn's slice
        widgets.insert(identity, widget);
        order.append(identity);
    }
    if (deferred && !m_buildQueued) {
        m_buildQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_buildQueued = false;
            const QList<PreviewRow> rows = m_rows;
            setRows(rows);
        });
    }
    for (auto gone = m_widgets.cbegin(); gone != m_widgets.cend(); ++gone) {
        m_materialized.remove(gone.key());
        gone.value()->hide();
        gone.value()->deleteLater();
    }
    m_widgets = std::move(widgets);

    if (order != m_order) {
        auto *column = static_cast<QVBoxLayout *>(m_content->layout());
        // A growing list (a load in progress) only adds rows at the end, and the loading
        // row goes from the top when it is done: those keep the laid-out rows in place,
        // so an update costs what it adds, not a new layout of thousands of rows.
        qsizetype kept = 0;
        if (order.size() >= m_order.size() && std::equal(m_order.cbegin(), m_order.cend(), order.cbegin()))
            kept = m_order.size();
        else if (!m_order.isEmpty() && order.size() + 1 >= m_order.size()
                 && std::equal(m_order.cbegin() + 1, m_order.cend(), order.cbegin())
                 && !m_widgets.contains(m_order.first())) {
            delete column->takeAt(0);
            kept = m_order.size() - 1;
        } else {
            while (QLayoutItem *item = column->takeAt(0))
                delete item; // the widgets stay; only their layout items go
            column->addStretch(1);
        }
        for (qsizetype i = kept; i < order.size(); ++i) {
            QWidget *widget = m_widgets.value(order[i]);
            column->insertWidget(column->count() - 1, widget); // before the closing stretch
            widget->show();
        }
        m_order = std::move(order);
    }
    m_content->layout()->activate();
    scheduleMaterialize();
}

SelectablePDFPageView *PreviewPageList::pageView(const QString &identity) const
{
    const PreviewPageRow *row = pageRow(identity);
    return row ? row->view() : nullptr;
}

PreviewPageRow *PreviewPageList::pageRow(const QString &identity) const
{
    return qobject_cast<PreviewPageRow *>(m_widgets.value(identity));
}

PreviewHeaderRow *PreviewPageList::headerRow(const QString &identity) const
{
    return qobject_cast<PreviewHeaderRow *>(m_widgets.value(identity));
}

int PreviewPageList::pageViewCount() const
{
    return int(m_content->findChildren<SelectablePDFPageView *>().size());
}

SelectablePDFPage PreviewPageList::inputFor(const PreviewPageRow &row) const
{
    const RenderedPage &page = row.page();
    SelectablePDFPage input;
    input.image = page.image;
    input.pdfPage = page.pdfPage;
    input.textKey = PreviewOCRCache::textKey(row.filename(), page.page);
    input.caption = translated(QStringLiteral("{filename} page {page}"),
                               {{QStringLiteral("filename"), row.filename()},
                                {QStringLiteral("page"), QString::number(page.page)}});
    for (const PreviewRow &each : m_rows) {
        if (each.kind == PreviewRow::Kind::header && each.document.filename == row.filename()) {
            input.sourcePath = each.document.sourcePath.value_or(QString());
            break;
        }
    }
    m_find.fillRow(input, row.filename(), page.page);
    if (m_claims) {
        input.claims = claimsOf(row.filename(), page.page);
        input.activeClaim = m_claims->activeClaim();
        input.claimReveal = m_claims->reveal();
    }
    return input;
}

void PreviewPageList::setClaims(AnswerClaims *claims)
{
    m_claims = claims;
    for (QWidget *widget : std::as_const(m_widgets)) {
        if (auto *row = qobject_cast<PreviewPageRow *>(widget))
            connect(row, &PreviewPageRow::claimClicked, claims, &AnswerClaims::activateClaim);
    }
    connect(claims, &AnswerClaims::claimsChanged, this, &PreviewPageList::refreshClaims);
    connect(claims, &AnswerClaims::activeClaimChanged, this, [this] {
        // The page first, so that its view's scroll to the passage comes after.
        revealActiveClaim(m_claims->reveal(), 0);
        refreshClaims();
    });
    refreshClaims();
}

QList<SelectablePDFPage::Claim> PreviewPageList::claimsOf(const QString &filename, qint64 page) const
{
    QList<SelectablePDFPage::Claim> claims;
    if (!m_claims)
        return claims;
    for (const int index : m_claims->claimsOn(filename, page))
        claims.append({index, m_claims->claims()[index].text});
    return claims;
}

void PreviewPageList::refreshClaims()
{
    for (QWidget *widget : std::as_const(m_widgets)) {
        auto *row = qobject_cast<PreviewPageRow *>(widget);
        if (!row)
            continue;
        row->setClaims(claimsOf(row->filename(), row->page().page), m_claims->activeClaim());
        if (row->isMaterialized())
            row->apply(inputFor(*row));
    }
}

// The page of the active claim comes to the middle of the list; its view then brings the
// passage itself into view once it is found. A page still loading is waited for a while.
void PreviewPageList::revealActiveClaim(qint64 reveal, int attempt)
{
    constexpr int attempts = 100;
    constexpr int retryMs = 100;
    if (!m_claims || reveal != m_claims->reveal() || attempt >= attempts)
        return;
    const int active = m_claims->activeClaim();
    if (active < 0 || active >= m_claims->claims().size())
        return;
    const CitationMarker &marker = m_claims->claims()[active].marker;
    const QString identity = PreviewRow::pageIdentity(marker.filename, marker.page);
    PreviewPageRow *row = pageRow(identity);
    if (!row || !isVisible() || viewport()->height() <= 0) {
        QTimer::singleShot(retryMs, this, [this, reveal, attempt] { revealActiveClaim(reveal, attempt + 1); });
        return;
    }
    // A page taller than the list shows from its top, where its label and claims are.
    const QRect geometry = row->geometry();
    if (geometry.height() > viewport()->height())
        verticalScrollBar()->setValue(geometry.top() - 4);
    else
        centerRow(identity);
    updateMaterialized();
    if (row->isMaterialized()) {
        row->apply(inputFor(*row));
        // The passage itself, if the page has found it already; otherwise once it does.
        row->view()->revealActivePassage();
    }
}

void PreviewPageList::refreshFindInputs()
{
    for (QWidget *widget : std::as_const(m_widgets)) {
        auto *row = qobject_cast<PreviewPageRow *>(widget);
        if (row && row->isMaterialized())
            row->apply(inputFor(*row));
    }
}

void PreviewPageList::scheduleMaterialize()
{
    if (m_materializeQueued)
        return;
    m_materializeQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_materializeQueued = false;
        updateMaterialized();
    });
}

void PreviewPageList::updateMaterialized()
{
    // The scroll area sizes its content on a later event; rows must have their
    // final places before deciding which are near the screen.
    const int contentWidth = viewport()->width();
    const QSize contentSize(contentWidth, std::max(viewport()->height(), m_content->heightForWidth(contentWidth)));
    if (m_content->size() != contentSize)
        m_content->resize(contentSize);
    const int top = verticalScrollBar()->value();
    const int height = viewport()->height();
    // Half a screen either way, so that a page is ready before it scrolls in.
    const int margin = height / 2;
    const int from = top - margin;
    const int to = top + height + margin;
    for (auto entry = m_widgets.cbegin(); entry != m_widgets.cend(); ++entry) {
        auto *row = qobject_cast<PreviewPageRow *>(entry.value());
        if (!row)
            continue;
        const QRect geometry = row->geometry();
        const bool near = isVisible() && height > 0 && geometry.bottom() >= from && geometry.top() <= to;
        if (!near) {
            m_materialized.remove(entry.key());
            continue;
        }
        m_materialized.insert(entry.key());
        if (!row->isMaterialized())
            row->materialize(inputFor(*row));
    }
}

void PreviewPageList::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    scheduleMaterialize();
}

void PreviewPageList::showEvent(QShowEvent *event)
{
    QScrollArea::showEvent(event);
    scheduleMaterialize();
    if (!m_shownOnce) {
        m_shownOnce = true;
        QTimer::singleShot(0, this, &PreviewPageList::scrollToActiveMatch);
    }
}

bool PreviewPageList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_content && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        scheduleMaterialize();
    return QScrollArea::eventFilter(watched, event);
}

void PreviewPageList::scrollToActiveMatch()
{
    const std::optional<PreviewTextMatch> match = m_find.activeMatch();
    if (!match)
        return;
    const QString identity = PreviewRow::pageIdentity(match->filename, match->pageNumber);
    revealAttempt(m_find.findReveal(), identity, 0);
}

void PreviewPageList::revealAttempt(qint64 reveal, const QString &identity, int attempt)
{
    if (reveal != m_find.findReveal() || attempt >= 10 || !m_widgets.contains(identity))
        return;
    if (m_materialized.contains(identity)) {
        QTimer::singleShot(50, this, [this, reveal, identity] {
            if (reveal != m_find.findReveal())
                return;
            centerMarker(identity);
            QTimer::singleShot(90, this, [this, reveal, identity] {
                if (reveal == m_find.findReveal())
                    centerMarker(identity);
            });
        });
        return;
    }
    // Bring the row near the screen so that the list makes its page, then look again.
    centerRow(identity);
    updateMaterialized();
    QTimer::singleShot(40, this, [this, reveal, identity, attempt] { revealAttempt(reveal, identity, attempt + 1); });
}

void PreviewPageList::centerOn(int contentY)
{
    verticalScrollBar()->setValue(contentY - viewport()->height() / 2);
}

void PreviewPageList::centerRow(const QString &identity)
{
    if (QWidget *row = m_widgets.value(identity))
        centerOn(row->geometry().center().y());
}

void PreviewPageList::centerMarker(const QString &identity)
{
    const PreviewPageRow *row = pageRow(identity);
    const std::optional<double> center = m_find.activeFindCenter();
    const QRect page = row ? row->pageGeometry() : QRect();
    if (!row || !center || page.isEmpty())
        return centerRow(identity);
    // An 8-point marker over the match's height on the page; its middle goes to the
    // middle of the list.
    const int markerTop = std::max(0, int(std::clamp(*center, 0.0, 1.0) * page.height()) - 4);
    centerOn(row->geometry().top() + page.top() + markerTop + 4);
}

} // namespace tovik
