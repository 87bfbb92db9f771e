// The passages of the page that the answer's claims rest on: found off the GUI thread
// in the text layer or the recognized text, drawn in green with a mark in the margin.
#include "documents/selectablepdfpageview.h"

#include "preview/passageindex.h"
#include "system/whenfinished.h"

#include <QPainter>
#include <QScrollArea>
#include <QSet>
#include <QTimerEvent>
#include <QtConcurrent>

namespace tovik {

namespace {

// Green, apart from the yellow and orange of find matches.
const QColor passageColor(52, 168, 83);
// At most this many claims of one page are looked for (the active one always is).
constexpr qsizetype maxMatchedClaims = 64;
// Flashes of the page a citation brought into view: on, off, on, off.
constexpr int flashCount = 4;
constexpr int flashIntervalMs = 180;

struct PassageWork
{
    QString text;
    QList<qsizetype> glyphIndexes; // for recognized text: glyph per UTF-16 unit
    bool recognized = false;
    QList<SelectablePDFPage::Claim> claims;
    // What an earlier run on the same text left: its index and the claims it matched,
    // so that a claim arriving while the answer streams costs one match, not all of them.
    std::shared_ptr<const PassageIndex> index;
    SelectablePDFPageView::KnownMatches known;
};

struct PassageResult
{
    QList<SelectablePDFPageView::Passage> passages;
    std::shared_ptr<const PassageIndex> index;
    SelectablePDFPageView::KnownMatches known;
};

PassageResult findPassages(PassageWork work)
{
    PassageResult result;
    result.index = work.index ? work.index : std::make_shared<const PassageIndex>(work.text);
    result.known = std::move(work.known);
    for (const SelectablePDFPage::Claim &claim : std::as_const(work.claims)) {
        auto found = result.known.constFind(claim.text);
        if (found == result.known.cend())
            found = result.known.insert(claim.text, result.index->bestPassage(claim.text));
        if (!*found)
            continue;
        SelectablePDFPageView::Passage passage;
        passage.claim = claim.index;
        passage.range = (*found)->range;
        if (work.recognized) {
            const qsizetype end = std::min(passage.range.end(), work.glyphIndexes.size());
            for (qsizetype unit = std::max<qsizetype>(0, passage.range.location); unit < end; ++unit) {
                if (work.glyphIndexes[unit] >= 0)
                    passage.glyphs.insert(work.glyphIndexes[unit]);
            }
            if (passage.glyphs.empty())
                continue;
        }
        result.passages.append(passage);
    }
    return result;
}

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(alpha);
    return color;
}

} // namespace

void SelectablePDFPageView::applyClaims(const SelectablePDFPage &row)
{
    if (row.claims != m_claims || row.activeClaim != m_activeClaim) {
        m_claims = row.claims;
        m_activeClaim = row.activeClaim;
        update();
    }
    // Also for another page's text with the same claims; nothing when nothing changed.
    updatePassages();
    if (row.claimReveal != m_consumedClaimReveal) {
        m_consumedClaimReveal = row.claimReveal;
        const bool activeHere = std::any_of(m_claims.cbegin(), m_claims.cend(),
                                            [this](const SelectablePDFPage::Claim &claim) { return claim.index == m_activeClaim; });
        if (activeHere) {
            m_flashesLeft = flashCount;
            m_flashTimer.start(flashIntervalMs, this);
            revealActivePassage();
            update();
        }
    }
}

void SelectablePDFPageView::updatePassages()
{
    // Which text the page has now, and which claims to look for in it: the first ones
    // of the page and the active one. Nothing more is done while neither changed, so a
    // row refreshed for a find or a language change costs no text copied.
    const bool layer = hasUsableTextLayer();
    const bool recognized = !layer && m_recognized && !m_recognized->isEmpty();
    const quint64 text = layer || recognized ? m_textGeneration : 0;
    QList<SelectablePDFPage::Claim> claims;
    for (const SelectablePDFPage::Claim &claim : std::as_const(m_claims)) {
        if (claims.size() < maxMatchedClaims || claim.index == m_activeClaim)
            claims.append(claim);
    }
    if (claims == m_matchedClaims && text == m_matchedText)
        return;
    if (text != m_matchedText) {
        m_passageIndex.reset();
        m_knownMatches.clear();
    }

    PassageWork work;
    work.claims = std::move(claims);
    if (layer) {
        work.text = m_textLayer->text();
    } else if (recognized) {
        RecognizedPageText::SearchText search = m_recognized->searchText();
        work.text = std::move(search.text);
        work.glyphIndexes = std::move(search.glyphIndexes);
        work.recognized = true;
    }
    m_matchedClaims = work.claims;
    m_matchedText = text;
    work.index = m_passageIndex;
    work.known = m_knownMatches;
    const quint64 ticket = ++m_passageTicket;
    if (work.text.isEmpty() || work.claims.isEmpty()) {
        // No text yet (a scanned page being recognized) or nothing cites the page.
        if (!m_passages.isEmpty()) {
            m_passages.clear();
            update();
        }
        Q_EMIT passagesChanged();
        return;
    }
    whenFinished(QtConcurrent::run([work = std::move(work)]() mutable { return findPassages(std::move(work)); }), this,
                 [this, ticket, text](const PassageResult &result) {
                     if (ticket != m_passageTicket)
                         return;
                     if (text == m_matchedText) {
                         m_passageIndex = result.index;
                         m_knownMatches = result.known;
                     }
                     m_passages = result.passages;
                     update();
                     Q_EMIT passagesChanged();
                     if (m_pendingClaimReveal)
                         revealActivePassage();
                 });
}

QList<QRectF> SelectablePDFPageView::passageRects(const Passage &passage) const
{
    if (!passage.glyphs.empty())
        return glyphRects(passage.glyphs);
    if (!m_textLayer)
        return {};
    const std::optional<TextRange> selection = m_textLayer->selection(passage.range);
    return selection ? pdfSelectionRects(*selection) : QList<QRectF>();
}

void SelectablePDFPageView::revealActivePassage()
{
    m_pendingClaimReveal = std::any_of(m_claims.cbegin(), m_claims.cend(), [this](const SelectablePDFPage::Claim &claim) {
        return claim.index == m_activeClaim;
    });
    if (!m_pendingClaimReveal || width() <= 1 || height() <= 1)
        return; // sized later; the next passages or reveal come back here
    QRectF united;
    bool found = false;
    for (const Passage &passage : std::as_const(m_passages)) {
        if (passage.claim != m_activeClaim)
            continue;
        found = true;
        for (const QRectF &rect : passageRects(passage))
            united = united.isNull() ? rect : united.united(rect);
    }
    // Without a passage (yet) the page itself is in view, which the list saw to.
    if (!found || united.isNull())
        return;
    m_pendingClaimReveal = false;
    QScrollArea *area = enclosingScrollArea();
    if (!area || !area->widget())
        return;
    united.adjust(-32, -64, 32, 64);
    const QPoint center = mapTo(area->widget(), united.center().toPoint());
    area->ensureVisible(center.x(), center.y(), qRound(united.width() / 2), qRound(united.height() / 2));
}

void SelectablePDFPageView::paintPassages(QPainter &painter) const
{
    for (const Passage &passage : m_passages) {
        const bool active = passage.claim == m_activeClaim;
        const QList<QRectF> rects = passageRects(passage);
        QRectF united;
        for (const QRectF &rect : rects) {
            if (rect.isEmpty())
                continue;
            painter.fillRect(rect, withAlpha(passageColor, active ? 0.34 : 0.16));
            united = united.isNull() ? rect : united.united(rect);
        }
        if (united.isNull())
            continue;
        // The mark in the margin: a thin bar beside the passage's lines.
        painter.fillRect(QRectF(2, united.top(), active ? 4 : 2, united.height()),
                         withAlpha(passageColor, active ? 1.0 : 0.6));
    }
    if (m_flashesLeft > 0 && m_flashesLeft % 2 == 0) {
        QPen pen(palette().color(QPalette::Active, QPalette::Highlight), 4);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(2, 2, -2, -2));
    }
}

void SelectablePDFPageView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_flashTimer.timerId())
        return QWidget::timerEvent(event);
    if (--m_flashesLeft <= 0)
        m_flashTimer.stop();
    update();
}

} // namespace tovik
