#include "preview/answerclaims.h"

#include "preview/citations.h"
#include "preview/previewocrcache.h"

#include <QTimer>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>
#include <utility>

namespace tovik {

namespace {

bool hasWords(QStringView text)
{
    for (QChar c : text) {
        if (c.isLetterOrNumber() || c.isSurrogate())
            return true;
    }
    return false;
}

} // namespace

AnswerClaims::AnswerClaims(QObject *parent)
    : QObject(parent)
{
}

TextRange AnswerClaims::claimRange(QStringView answer, TextRange marker, qsizetype previousMarkerEnd)
{
    const qsizetype markerStart = std::clamp<qsizetype>(marker.location, 0, answer.size());
    // A sentence is looked for within a few claim lengths before the marker only.
    const qsizetype lower = std::clamp<qsizetype>(previousMarkerEnd, markerStart - 4 * maxClaimLength, markerStart);
    QStringView window = answer.sliced(lower, markerStart - lower);
    while (!window.isEmpty() && window.back().isSpace())
        window.chop(1);
    if (window.isEmpty())
        return {lower, 0};

    qsizetype start = 0;
    // Made once per thread: an answer can hold tens of thousands of markers.
    thread_local const std::unique_ptr<icu::BreakIterator> sentences = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> made(icu::BreakIterator::createSentenceInstance(icu::Locale::getRoot(), status));
        return U_SUCCESS(status) ? std::move(made) : nullptr;
    }();
    if (sentences) {
        const icu::UnicodeString text(false, reinterpret_cast<const UChar *>(window.utf16()), int32_t(window.size()));
        sentences->setText(text);
        const int32_t boundary = sentences->preceding(int32_t(window.size()));
        if (boundary != icu::BreakIterator::DONE && boundary > 0)
            start = boundary;
    }
    while (start < window.size() && window[start].isSpace())
        ++start;
    return {lower + start, window.size() - start};
}

void AnswerClaims::clear()
{
    const bool had = !m_claims.isEmpty();
    m_read.clear();
    m_scanFrom = 0;
    m_lastMarkerEnd = 0;
    m_claims.clear();
    m_byPage.clear();
    m_byMarkerStart.clear();
    m_pendingMarker.reset();
    if (m_active != -1) {
        m_active = -1;
        Q_EMIT activeClaimChanged();
    }
    if (had)
        Q_EMIT claimsChanged();
}

void AnswerClaims::follow(const QString &answer)
{
    if (answer.size() < m_read.size() || !QStringView(answer).startsWith(m_read)) {
        const std::optional<qsizetype> pending = m_pendingMarker;
        clear();
        m_pendingMarker = pending;
    }
    m_read = answer;
    readMore();
}

void AnswerClaims::readMore()
{
    const qsizetype before = m_claims.size();
    // A huge answer that arrived at once is read a slice per turn, so the window keeps
    // answering; a marker cut at the slice's end is read whole with the next slice.
    const qsizetype from = m_scanFrom;
    const qsizetype end = std::min(m_read.size(), from + charactersPerTurn);
    const QStringView text = QStringView(m_read).first(end);
    qsizetype added = 0;
    forEachCitationMarker(text.sliced(from), from, [&](const CitationMarker &marker) {
        add(m_read, marker);
        return ++added < markersPerTurn;
    });
    if (added == markersPerTurn) {
        // Thousands of markers: the rest of this slice in the next turn.
        m_scanFrom = m_lastMarkerEnd;
        queueReadMore();
        Q_EMIT claimsChanged();
        return;
    }

    // A marker holds no "]" or line feed before its end, so one still arriving starts
    // at a "[" after the last of those; everything before it has been read for good.
    qsizetype base = std::max(m_lastMarkerEnd, from);
    for (qsizetype i = text.size() - 1; i >= base; --i) {
        if (text[i] == u']' || text[i] == u'\n') {
            base = i + 1;
            break;
        }
    }
    const qsizetype open = text.indexOf(u'[', base);
    m_scanFrom = open < 0 ? text.size() : open;

    if (end < m_read.size()) {
        // A "[" followed by a whole slice without its end is no marker: step past it.
        if (m_scanFrom == from)
            ++m_scanFrom;
        queueReadMore();
    }
    if (m_claims.size() != before)
        Q_EMIT claimsChanged();
}

void AnswerClaims::queueReadMore()
{
    if (std::exchange(m_readQueued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_readQueued = false;
        if (m_scanFrom < m_read.size())
            readMore();
    });
}

void AnswerClaims::add(const QString &answer, const CitationMarker &marker)
{
    CitationClaim claim;
    claim.marker = marker;
    claim.range = claimRange(answer, marker.range, m_lastMarkerEnd);
    const QStringView claimText = QStringView(answer).sliced(claim.range.location, claim.range.length);
    if (!hasWords(claimText) && !m_claims.isEmpty() && m_claims.last().marker.range.end() == m_lastMarkerEnd) {
        // "… grew 11% [a.pdf p. 3][b.pdf p. 9]": both vouch for the same words.
        claim.range = m_claims.last().range;
        claim.text = m_claims.last().text;
    } else {
        claim.text = claimText.right(maxClaimLength).toString();
    }
    m_lastMarkerEnd = marker.range.end();

    const int index = int(m_claims.size());
    m_claims.append(claim);
    m_byPage[PreviewOCRCache::textKey(marker.filename, marker.page)].append(index);
    m_byMarkerStart.insert(marker.range.location, index);
    if (m_pendingMarker == marker.range.location) {
        m_pendingMarker.reset();
        activateClaim(index);
    }
}

QList<int> AnswerClaims::claimsOn(const QString &filename, qint64 page) const
{
    return m_byPage.value(PreviewOCRCache::textKey(filename, page));
}

void AnswerClaims::activateClaim(int index)
{
    if (index < 0 || index >= m_claims.size())
        return;
    m_active = index;
    ++m_reveal;
    Q_EMIT activeClaimChanged();
}

void AnswerClaims::activateMarker(qsizetype markerStart)
{
    const auto it = m_byMarkerStart.constFind(markerStart);
    if (it == m_byMarkerStart.cend()) {
        m_pendingMarker = markerStart;
        return;
    }
    m_pendingMarker.reset();
    activateClaim(it.value());
}

} // namespace tovik
