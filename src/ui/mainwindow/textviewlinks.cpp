// TextView: citation markers as links, for the mouse, Tab and tooltips.
#include "mainwindow/textview.h"

#include "i18n/translate.h"
#include "preview/citations.h"

#include <QHelpEvent>
#include <QTextLayout>
#include <QToolTip>

namespace tovik {

namespace {
// How far before and after a piece its markers are looked for: a marker cut in two
// by a piece boundary is found from both pieces.
constexpr qsizetype linkReach = 512;
// How much text a Shift+Tab search reads per step backwards.
constexpr qsizetype backwardStep = qsizetype(1) << 16;
} // namespace

void TextView::setCitationLinks(bool enabled)
{
    if (m_links == enabled)
        return;
    m_links = enabled;
    m_focusedLink.reset();
    m_layouts.clear();
    viewport()->setMouseTracking(enabled);
    viewport()->update();
}

QList<CitationMarker> TextView::linksAround(qsizetype start, qsizetype end) const
{
    const QStringView text = shownText();
    const qsizetype from = std::max<qsizetype>(0, start - linkReach);
    const qsizetype to = std::min(text.size(), end + linkReach);
    QList<CitationMarker> links;
    for (const CitationMarker &marker : citationMarkers(text.sliced(from, to - from), from)) {
        if (marker.range.end() > start && marker.range.location < end)
            links.append(marker);
    }
    return links;
}

std::optional<CitationMarker> TextView::citationAt(QPoint point) const
{
    if (!m_links)
        return std::nullopt;
    int y = margin - m_top.offset;
    for (qsizetype piece = m_top.piece; piece < m_segments.count() && y <= viewport()->height(); ++piece) {
        const Laid laid = laidOut(piece);
        if (point.y() >= y && point.y() < y + laid.height) {
            if (laid.links.isEmpty())
                return std::nullopt;
            const qreal local = point.y() - y;
            for (int index = 0; index < laid.layout->lineCount(); ++index) {
                const QTextLine line = laid.layout->lineAt(index);
                if (local < line.y() || local >= line.y() + line.height())
                    continue;
                const qreal x = point.x() - margin;
                if (x < line.x() || x > line.x() + line.naturalTextWidth())
                    return std::nullopt;
                const qsizetype at = laid.start + line.xToCursor(x, QTextLine::CursorOnCharacter);
                for (const CitationMarker &marker : laid.links) {
                    if (at >= marker.range.location && at < marker.range.end())
                        return marker;
                }
                return std::nullopt;
            }
            return std::nullopt;
        }
        y += laid.height;
    }
    return std::nullopt;
}

void TextView::ensureVisible(qsizetype position)
{
    if (!canLayOut())
        return;
    const qsizetype piece = m_segments.indexOf(position);
    int y = -m_top.offset;
    qsizetype last = m_top.piece;
    for (; last < m_segments.count(); ++last) {
        y += laidOut(last).height;
        if (y > roomHeight())
            break;
    }
    if (piece < m_top.piece || piece >= last || (piece == m_top.piece && m_top.offset > 0))
        setPosition({piece, -roomHeight() / 3}, true);
}

// The next marker after the focused one (or after the top of the view), or the one
// before it (or before the bottom of the view).
std::optional<CitationMarker> TextView::nextLink(bool forward) const
{
    const QStringView text = shownText();
    if (forward) {
        const qsizetype from = m_focusedLink ? m_focusedLink->range.end() : m_segments.start(m_top.piece);
        std::optional<CitationMarker> found;
        forEachCitationMarker(text.sliced(std::min(from, text.size())), std::min(from, text.size()),
                              [&found](const CitationMarker &marker) {
                                  found = marker;
                                  return false;
                              });
        return found;
    }
    qsizetype before = text.size();
    if (m_focusedLink) {
        before = m_focusedLink->range.location;
    } else if (canLayOut()) {
        int y = -m_top.offset;
        for (qsizetype piece = m_top.piece; piece < m_segments.count(); ++piece) {
            y += laidOut(piece).height;
            if (y >= roomHeight()) {
                before = m_segments.end(text, piece);
                break;
            }
        }
    }
    // Backwards a slice at a time; a slice starts a little early so that a marker
    // across its start is read whole.
    for (qsizetype end = before; end > 0; end -= backwardStep) {
        const qsizetype start = std::max<qsizetype>(0, end - backwardStep - linkReach);
        std::optional<CitationMarker> last;
        forEachCitationMarker(text.sliced(start, std::min(before, end + linkReach) - start), start, [&last, end](const CitationMarker &marker) {
            if (marker.range.location < end)
                last = marker;
            return true;
        });
        if (last)
            return last;
    }
    return std::nullopt;
}

bool TextView::focusNextPrevChild(bool next)
{
    if (m_links && hasFocus()) {
        if (const std::optional<CitationMarker> link = nextLink(next)) {
            m_focusedLink = link;
            ensureVisible(link->range.location);
            viewport()->update();
            return true;
        }
        m_focusedLink.reset();
        viewport()->update();
    }
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TextView::activateLink(const CitationMarker &marker)
{
    m_focusedLink = marker;
    viewport()->update();
    Q_EMIT citationActivated(marker);
}

bool TextView::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && m_links) {
        auto *help = static_cast<QHelpEvent *>(event);
        if (const std::optional<CitationMarker> link = citationAt(help->pos())) {
            QToolTip::showText(help->globalPos(),
                               translated(QStringLiteral("Show page {page} of {file}"),
                                          {{QStringLiteral("page"), QString::number(link->page)},
                                           {QStringLiteral("file"), link->filename}}),
                               viewport());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace tovik
