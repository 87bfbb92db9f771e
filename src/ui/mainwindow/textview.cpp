// TextView: the text, its pieces, their layouts, the position and painting.
// Selection and input are in textviewinput.cpp.
#include "mainwindow/textview.h"

#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

namespace tovik {

namespace {
// Layouts kept for the pieces around the shown ones; far ones are dropped beyond this.
constexpr qsizetype keptLayouts = 400;
} // namespace

TextView::TextView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (!m_settingBar)
            setPosition({value, 0}, true);
    });
}

TextView::~TextView() = default;

const QString *TextView::source() const
{
    if (!m_external)
        return &m_own;
    return m_owner ? m_external : nullptr;
}

QStringView TextView::shownText() const
{
    const QString *text = source();
    if (!text)
        return {};
    QStringView shown(*text);
    if (m_dropFinalLineFeed && shown.endsWith(u'\n'))
        shown.chop(1);
    return shown;
}

void TextView::setText(const QString &text)
{
    disconnect(m_ownerGone);
    m_external = nullptr;
    m_owner = nullptr;
    m_dropFinalLineFeed = false;
    m_own = text;
    rebuild();
}

void TextView::appendText(QStringView text)
{
    if (m_external)
        return;
    m_own.append(text);
    sourceAppended();
}

void TextView::setSource(QObject *owner, const QString *text, bool dropFinalLineFeed)
{
    m_own.clear();
    m_owner = owner;
    m_external = text;
    m_dropFinalLineFeed = dropFinalLineFeed;
    disconnect(m_ownerGone);
    // Its text goes with it: nothing of the pieces or the selection is left to show.
    m_ownerGone = connect(owner, &QObject::destroyed, this, [this] {
        m_segments.clear();
        m_layouts.clear();
        m_anchor = m_position = 0;
        m_top = {};
        viewport()->update();
    });
    rebuild();
}

void TextView::sourceAppended()
{
    // Like a terminal: a reader at the bottom keeps seeing the newest lines. While a
    // refresh waits, the view still shows what it showed then, and whether it follows
    // was settled by the last refresh.
    if (canLayOut() && !m_pacedRefresh.isActive())
        m_follow = isAtBottom();
    // The last piece may grow; its layout no longer matches its ends and is made again.
    cutPieces(true);
}

// A few megabytes of new text at most are cut per turn, so a huge line arriving at once
// (or a huge text set anew) shows in steps instead of holding up the window. Pieces
// are cut at once; with `paced`, the view is laid out and painted again at most once a
// frame, so a flood of lines costs one layout of the bottom per frame, not per turn.
void TextView::cutPieces(bool paced)
{
    constexpr qsizetype charactersPerTurn = qsizetype(2) << 20;
    constexpr qint64 frameMilliseconds = 16;
    if (!m_segments.update(shownText(), charactersPerTurn) && !m_cutQueued) {
        m_cutQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_cutQueued = false;
            if (m_segments.size() < shownText().size())
                cutPieces(true);
        });
    }
    if (paced && m_lastRefresh.isValid() && !m_lastRefresh.hasExpired(frameMilliseconds)) {
        if (!m_pacedRefresh.isActive())
            m_pacedRefresh.start(int(frameMilliseconds - m_lastRefresh.elapsed()), Qt::PreciseTimer, this);
        return;
    }
    refreshGeometry();
}

void TextView::sourceReplaced()
{
    rebuild();
}

// A text that did not just grow: nothing of the old pieces, layouts or selection fits.
void TextView::rebuild()
{
    m_segments.clear();
    m_layouts.clear();
    m_anchor = m_position = 0;
    m_focusedLink.reset();
    m_pressedLink.reset();
    // Shown from the top, like a text that was set anew.
    m_top = {};
    m_follow = shownText().isEmpty();
    cutPieces(false);
}

int TextView::layoutWidth() const
{
    return std::max(1, viewport()->width() - 2 * margin);
}

int TextView::roomHeight() const
{
    return std::max(1, viewport()->height() - 2 * margin);
}

std::shared_ptr<QTextLayout> TextView::makeLayout(qsizetype start, qsizetype end, int width, int *height,
                                                 const QList<CitationMarker> &links) const
{
    auto layout = std::make_shared<QTextLayout>(shownText().sliced(start, end - start).toString(), font(), viewport());
    if (!links.isEmpty()) {
        QTextCharFormat link;
        link.setForeground(palette().brush(QPalette::Link));
        link.setFontUnderline(true);
        QList<QTextLayout::FormatRange> formats;
        for (const CitationMarker &marker : links) {
            const qsizetype from = std::max(marker.range.location, start);
            const qsizetype to = std::min(marker.range.end(), end);
            if (to > from)
                formats.append({int(from - start), int(to - from), link});
        }
        layout->setFormats(formats);
    }
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    qreal y = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout->endLayout();
    *height = std::max(int(std::ceil(y)), fontMetrics().lineSpacing());
    return layout;
}

TextView::Laid TextView::laidOut(qsizetype piece) const
{
    const int width = layoutWidth();
    if (width != m_layoutsWidth) {
        m_layouts.clear();
        m_layoutsWidth = width;
    }
    const qsizetype start = m_segments.start(piece);
    const qsizetype end = m_segments.end(shownText(), piece);
    if (const auto it = m_layouts.constFind(piece); it != m_layouts.cend() && it->start == start && it->end == end)
        return *it;
    if (m_layouts.size() >= keptLayouts) {
        // Keep the neighbourhood of the top; what is far from it is made again if needed.
        m_layouts.removeIf([this](QHash<qsizetype, Laid>::iterator entry) {
            return entry.key() < m_top.piece - keptLayouts / 4 || entry.key() > m_top.piece + keptLayouts / 2;
        });
        if (m_layouts.size() >= keptLayouts)
            m_layouts.clear();
    }
    Laid laid;
    laid.start = start;
    laid.end = end;
    if (m_links)
        laid.links = linksAround(start, end);
    laid.layout = makeLayout(start, end, width, &laid.height, laid.links);
    m_layouts.insert(piece, laid);
    return laid;
}

int TextView::textHeight(int width, int limit) const
{
    const QStringView text = shownText();
    int total = 2 * margin;
    for (qsizetype piece = 0; piece < m_segments.count() && total <= limit; ++piece) {
        int height = 0;
        makeLayout(m_segments.start(piece), m_segments.end(text, piece), std::max(1, width), &height);
        total += height;
    }
    return total;
}

// The last position: the end of the text at the bottom of the view, or the top when
// everything fits. Lays out only the pieces that fill the view from the bottom.
TextView::Position TextView::bottomPosition() const
{
    const int room = roomHeight();
    int below = 0;
    for (qsizetype piece = m_segments.count() - 1; piece >= 0; --piece) {
        below += laidOut(piece).height;
        if (below >= room)
            return {piece, below - room};
    }
    return {};
}

bool TextView::isAtBottom() const
{
    return !(m_top < bottomPosition());
}

void TextView::setPosition(Position position, bool byUser)
{
    // Whole pieces first, then the pixels within the top one.
    const qsizetype last = m_segments.count() - 1;
    position.piece = std::clamp<qsizetype>(position.piece, 0, last);
    while (position.offset < 0 && position.piece > 0)
        position.offset += laidOut(--position.piece).height;
    while (position.piece < last && position.offset >= laidOut(position.piece).height)
        position.offset -= laidOut(position.piece++).height;
    position.offset = std::max(0, position.offset);
    const Position bottom = bottomPosition();
    if (bottom < position)
        position = bottom;
    m_top = position;
    if (byUser)
        m_follow = !(m_top < bottom);
    m_settingBar = true;
    verticalScrollBar()->setRange(0, int(std::min<qsizetype>(bottom.piece, INT_MAX)));
    verticalScrollBar()->setValue(int(std::min<qsizetype>(m_top.piece, INT_MAX)));
    m_settingBar = false;
    viewport()->update();
}

void TextView::scrollByPixels(int pixels)
{
    setPosition({m_top.piece, m_top.offset + pixels}, true);
}

void TextView::scrollToBottom()
{
    setPosition(bottomPosition(), true);
}

void TextView::scrollToTop()
{
    setPosition({}, true);
}

// After the text or the size changed: the scroll bar's range, and the bottom kept in
// view while following. Waits while the view has no size to lay out at.
bool TextView::canLayOut() const
{
    return isVisible() && viewport()->width() > 2 * margin;
}

void TextView::refreshGeometry()
{
    m_pacedRefresh.stop();
    m_lastRefresh.start();
    if (!canLayOut()) {
        viewport()->update();
        return;
    }
    verticalScrollBar()->setPageStep(std::max(1, roomHeight() / std::max(1, fontMetrics().lineSpacing())));
    setPosition(m_follow ? bottomPosition() : m_top, false);
}

void TextView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    refreshGeometry();
}

void TextView::showEvent(QShowEvent *event)
{
    QAbstractScrollArea::showEvent(event);
    refreshGeometry();
}

void TextView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_layouts.clear();
        refreshGeometry();
    }
}

void TextView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TextView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    QTextCharFormat selected;
    selected.setBackground(palette().brush(group, QPalette::Highlight));
    selected.setForeground(palette().brush(group, QPalette::HighlightedText));
    const qsizetype from = selectionStart();
    const qsizetype to = selectionEnd();
    const int bottom = event->rect().bottom();
    int y = margin - m_top.offset;
    for (qsizetype piece = m_top.piece; piece < m_segments.count() && y <= bottom; ++piece) {
        const Laid laid = laidOut(piece);
        if (y + laid.height >= event->rect().top()) {
            QList<QTextLayout::FormatRange> selections;
            if (to > laid.start && from < laid.end) {
                const qsizetype begin = std::max(from, laid.start);
                selections.append({int(begin - laid.start), int(std::min(to, laid.end) - begin), selected});
            }
            if (m_focusedLink && hasFocus() && m_focusedLink->range.end() > laid.start
                && m_focusedLink->range.location < laid.end) {
                QTextCharFormat focused;
                QColor tint = palette().color(QPalette::Active, QPalette::Highlight);
                tint.setAlphaF(0.3);
                focused.setBackground(tint);
                const qsizetype begin = std::max(m_focusedLink->range.location, laid.start);
                selections.append({int(begin - laid.start), int(std::min(m_focusedLink->range.end(), laid.end) - begin), focused});
            }
            laid.layout->draw(&painter, QPointF(margin, y), selections);
        }
        y += laid.height;
    }
}

} // namespace tovik
