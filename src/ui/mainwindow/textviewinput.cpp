// TextView: selection, copying, and the mouse, wheel and keys.
#include "mainwindow/textview.h"

#include "i18n/translate.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QWheelEvent>

#include <utility>

namespace tovik {

QString TextView::selectedText() const
{
    const QStringView text = shownText();
    const qsizetype from = std::min(selectionStart(), text.size());
    return text.sliced(from, std::min(selectionEnd(), text.size()) - from).toString();
}

void TextView::select(qsizetype anchor, qsizetype position)
{
    const qsizetype size = shownText().size();
    m_anchor = std::clamp<qsizetype>(anchor, 0, size);
    m_position = std::clamp<qsizetype>(position, 0, size);
    viewport()->update();
}

void TextView::selectAll()
{
    select(0, shownText().size());
}

void TextView::copy() const
{
    if (selectionStart() == selectionEnd())
        return;
    QGuiApplication::clipboard()->setText(selectedText());
}

// The position of the character boundary nearest to `point` (viewport coordinates).
qsizetype TextView::positionAt(QPoint point) const
{
    int y = margin - m_top.offset;
    if (point.y() < y)
        return m_segments.start(m_top.piece);
    for (qsizetype piece = m_top.piece; piece < m_segments.count(); ++piece) {
        const Laid laid = laidOut(piece);
        if (point.y() < y + laid.height) {
            const qreal local = point.y() - y;
            const QTextLayout &layout = *laid.layout;
            for (int index = 0; index < layout.lineCount(); ++index) {
                const QTextLine line = layout.lineAt(index);
                if (local < line.y() + line.height() || index == layout.lineCount() - 1)
                    return laid.start + line.xToCursor(point.x() - margin);
            }
            return laid.start;
        }
        y += laid.height;
    }
    return shownText().size();
}

void TextView::selectWordAt(qsizetype position)
{
    const qsizetype piece = m_segments.indexOf(position);
    const qsizetype start = m_segments.start(piece);
    const QString text = shownText().sliced(start, m_segments.end(shownText(), piece) - start).toString();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.setPosition(position - start);
    qsizetype from = finder.isAtBoundary() && finder.boundaryReasons().testFlag(QTextBoundaryFinder::StartOfItem)
        ? finder.position()
        : finder.toPreviousBoundary();
    finder.setPosition(position - start);
    qsizetype to = finder.toNextBoundary();
    if (from < 0)
        from = 0;
    if (to < 0)
        to = text.size();
    select(start + from, start + to);
}

void TextView::dragTo(QPoint point)
{
    m_dragPoint = point;
    const QRect area = viewport()->rect();
    const QPoint inside(std::clamp(point.x(), area.left(), area.right()),
                        std::clamp(point.y(), area.top(), area.bottom()));
    select(m_anchor, point.y() > area.bottom() && isAtBottom() ? shownText().size() : positionAt(inside));
    if (area.contains(QPoint(area.center().x(), point.y())))
        m_autoScroll.stop();
    else if (!m_autoScroll.isActive())
        m_autoScroll.start(30, this);
}

void TextView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_pacedRefresh.timerId()) {
        refreshGeometry();
        return;
    }
    if (event->timerId() != m_autoScroll.timerId())
        return QAbstractScrollArea::timerEvent(event);
    if (!m_dragging) {
        m_autoScroll.stop();
        return;
    }
    // Faster the further the pointer is from the view.
    const int outside = m_dragPoint.y() < 0 ? m_dragPoint.y() : m_dragPoint.y() - viewport()->height();
    scrollByPixels(std::clamp(outside, -200, 200));
    dragTo(m_dragPoint);
}

void TextView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const qsizetype at = positionAt(event->position().toPoint());
    m_pressedLink = m_links ? citationAt(event->position().toPoint()) : std::nullopt;
    select(event->modifiers().testFlag(Qt::ShiftModifier) ? m_anchor : at, at);
    m_dragging = true;
    m_dragPoint = event->position().toPoint();
}

void TextView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && event->buttons().testFlag(Qt::LeftButton))
        dragTo(event->position().toPoint());
    else if (m_links)
        viewport()->setCursor(citationAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void TextView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    m_dragging = false;
    m_autoScroll.stop();
    // A click on a marker, not a selection that began on one.
    const std::optional<CitationMarker> pressed = std::exchange(m_pressedLink, std::nullopt);
    if (pressed && selectionStart() == selectionEnd() && citationAt(event->position().toPoint()) == pressed) {
        activateLink(*pressed);
        return;
    }
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && selectionStart() != selectionEnd())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void TextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseDoubleClickEvent(event);
    selectWordAt(positionAt(event->position().toPoint()));
}

void TextView::wheelEvent(QWheelEvent *event)
{
    const int lines = QApplication::wheelScrollLines();
    const int pixels = !event->pixelDelta().isNull()
        ? -event->pixelDelta().y()
        : -event->angleDelta().y() * lines * fontMetrics().lineSpacing() / 120;
    if (pixels == 0)
        return QAbstractScrollArea::wheelEvent(event);
    scrollByPixels(pixels);
    event->accept();
}

bool TextView::event(QEvent *event)
{
    // Claim Copy and Select All before window shortcuts can.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TextView::keyPressEvent(QKeyEvent *event)
{
    const int line = fontMetrics().lineSpacing();
    if (event->matches(QKeySequence::Copy))
        copy();
    else if (event->matches(QKeySequence::SelectAll))
        selectAll();
    else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_focusedLink)
        activateLink(*m_focusedLink);
    else if (event->key() == Qt::Key_PageDown)
        scrollByPixels(std::max(line, roomHeight() - line));
    else if (event->key() == Qt::Key_PageUp)
        scrollByPixels(-std::max(line, roomHeight() - line));
    else if (event->key() == Qt::Key_Down)
        scrollByPixels(line);
    else if (event->key() == Qt::Key_Up)
        scrollByPixels(-line);
    else if (event->key() == Qt::Key_End || event->matches(QKeySequence::MoveToEndOfDocument))
        scrollToBottom();
    else if (event->key() == Qt::Key_Home || event->matches(QKeySequence::MoveToStartOfDocument))
        scrollToTop();
    else
        return QAbstractScrollArea::keyPressEvent(event);
    event->accept();
}

QMenu *TextView::makeContextMenu()
{
    auto *menu = new QMenu(this);
    QAction *copyItem = menu->addAction(translate(QStringLiteral("Copy")));
    copyItem->setEnabled(selectionStart() != selectionEnd());
    connect(copyItem, &QAction::triggered, this, &TextView::copy);
    QAction *selectAllItem = menu->addAction(translate(QStringLiteral("Select All")));
    selectAllItem->setEnabled(!shownText().isEmpty());
    connect(selectAllItem, &QAction::triggered, this, &TextView::selectAll);
    return menu;
}

void TextView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = makeContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TextView::focusInEvent(QFocusEvent *event)
{
    // Coming in with Tab starts the walk over the markers afresh.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        m_focusedLink.reset();
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TextView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace tovik
