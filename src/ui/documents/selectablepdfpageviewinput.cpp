// Mouse, keys and the context menu of a page view: selection by drag, double and
// triple click in either text, Ctrl+C / Ctrl+A while focused.
#include "documents/selectablepdfpageview.h"

#include "documents/pageselectioncenter.h"
#include "i18n/translate.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollArea>
#include <QStyleHints>

namespace tovik {

std::optional<QPointF> SelectablePDFPageView::normalizedPoint(QPointF viewPoint) const
{
    if (width() < 1 || height() < 1)
        return std::nullopt;
    return QPointF(viewPoint.x() / width(), 1.0 - viewPoint.y() / height());
}

std::optional<QPointF> SelectablePDFPageView::pagePoint(QPointF viewPoint) const
{
    if (!m_pdfPage || width() <= 1 || height() <= 1)
        return std::nullopt;
    const PdfPageGeometry geometry = m_pdfPage->geometry();
    const QSizeF displayed = geometry.displayedSize();
    if (displayed.width() <= 1 || displayed.height() <= 1)
        return std::nullopt;
    const QTransform transform = geometry.cropBoxTransform();
    if (std::abs(transform.determinant()) <= 1e-6)
        return std::nullopt;
    const QPointF box(viewPoint.x() / width() * displayed.width(),
                      (height() - viewPoint.y()) / height() * displayed.height());
    return transform.inverted().map(box);
}

void SelectablePDFPageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    pressed(event, false);
}

void SelectablePDFPageView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseDoubleClickEvent(event);
    pressed(event, true);
}

void SelectablePDFPageView::pressed(QMouseEvent *event, bool doubleClick)
{
    const QPointF point = event->position();
    const quint64 time = event->timestamp();
    // A double click may arrive as a press followed by a double-click event for
    // the same moment; count that click once.
    if (doubleClick && time == m_lastPressTime && point == m_lastPressPoint && m_clickCount >= 2)
        return;
    const bool quick = time - m_lastPressTime <= quint64(QGuiApplication::styleHints()->mouseDoubleClickInterval())
        && (point - m_lastPressPoint).manhattanLength() <= QGuiApplication::styleHints()->startDragDistance();
    if (doubleClick)
        m_clickCount = (quick && time != m_lastPressTime) ? std::max(2, m_clickCount + 1) : 2;
    else
        m_clickCount = quick ? m_clickCount + 1 : 1;
    m_lastPressTime = time;
    m_lastPressPoint = point;

    setFocus(Qt::MouseFocusReason);
    m_keyAnchor.reset();
    if (usesRecognizedText())
        pressedInRecognizedText(point);
    else
        pressedInPage(point);
    event->accept();
}

void SelectablePDFPageView::pressedInRecognizedText(QPointF point)
{
    m_dragMode = DragMode::ocr;
    PageSelectionCenter::shared().post(this);
    m_ocrAnchor = point;
    std::optional<GlyphIndexSet> selection;
    const std::optional<QPointF> normalized = normalizedPoint(point);
    const std::optional<qsizetype> glyph = normalized ? m_recognized->glyphAt(*normalized) : std::nullopt;
    auto indexes = [](RecognizedPageText::GlyphRange range) {
        GlyphIndexSet set;
        for (qsizetype index = range.lower; index < range.upper; ++index)
            set.insert(set.end(), index);
        return set;
    };
    if (m_clickCount == 2) {
        m_granularity = SelectionGranularity::word;
        if (glyph)
            selection = indexes(m_recognized->wordRange(*glyph));
    } else if (m_clickCount >= 3) {
        m_granularity = SelectionGranularity::line;
        if (glyph)
            selection = indexes(m_recognized->lineRange(*glyph));
    } else {
        m_granularity = SelectionGranularity::character;
    }
    setOCRSelection(selection);
}

void SelectablePDFPageView::pressedInPage(QPointF point)
{
    m_dragMode = DragMode::pdf;
    const std::optional<QPointF> page = pagePoint(point);
    if (!m_pdfPage || !page)
        return;
    PageSelectionCenter::shared().post(this);
    m_anchorPoint = page;
    if (m_clickCount == 2) {
        m_granularity = SelectionGranularity::word;
        setPDFSelection(m_textLayer ? m_textLayer->wordSelectionAt(*page) : std::nullopt);
    } else if (m_clickCount >= 3) {
        m_granularity = SelectionGranularity::line;
        setPDFSelection(m_textLayer ? m_textLayer->lineSelectionAt(*page) : std::nullopt);
    } else {
        m_granularity = SelectionGranularity::character;
        m_selection.reset();
        update();
    }
}

void SelectablePDFPageView::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return QWidget::mouseMoveEvent(event);
    const QPointF point = event->position();
    autoscroll(point);
    if (m_granularity != SelectionGranularity::character)
        return;
    if (m_dragMode == DragMode::pdf && m_pdfPage && m_anchorPoint && m_textLayer) {
        const std::optional<QPointF> page = pagePoint(point);
        if (!page)
            return;
        const qsizetype from = m_textLayer->characterIndexAt(*m_anchorPoint);
        const qsizetype to = m_textLayer->characterIndexAt(*page);
        if (from < 0 || to < 0)
            setPDFSelection(m_textLayer->selectionBetween(*m_anchorPoint, *page));
        else
            setPDFSelection(m_textLayer->selection({std::min(from, to), std::abs(to - from) + 1}));
    } else if (m_dragMode == DragMode::ocr && m_recognized && m_ocrAnchor) {
        if (width() <= 1 || height() <= 1)
            return;
        const QRectF spanned(std::min(m_ocrAnchor->x(), point.x()) - 1, std::min(m_ocrAnchor->y(), point.y()) - 1,
                             std::abs(point.x() - m_ocrAnchor->x()) + 2, std::abs(point.y() - m_ocrAnchor->y()) + 2);
        const QRectF normalized(spanned.x() / width(), 1.0 - spanned.bottom() / height(), spanned.width() / width(),
                                spanned.height() / height());
        setOCRSelection(m_recognized->glyphsIn(normalized));
    }
}

void SelectablePDFPageView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    m_anchorPoint.reset();
    m_ocrAnchor.reset();
    m_dragMode = DragMode::none;
}

void SelectablePDFPageView::autoscroll(QPointF point)
{
    QScrollArea *area = enclosingScrollArea();
    if (!area || !area->widget())
        return;
    const QPoint inContent = mapTo(area->widget(), point.toPoint());
    area->ensureVisible(inContent.x(), inContent.y(), 0, 24);
}

bool SelectablePDFPageView::isCopyOrSelectAll(const QKeyEvent *event) const
{
    // Exactly Ctrl: Shift+Ctrl+C, Alt+Ctrl+A and the like are someone else's.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return hasFocus() && modifiers == Qt::ControlModifier && (event->key() == Qt::Key_C || event->key() == Qt::Key_A);
}

bool SelectablePDFPageView::event(QEvent *event)
{
    // Claim Ctrl+C and Ctrl+A before window shortcuts can.
    if (event->type() == QEvent::ShortcutOverride && isCopyOrSelectAll(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void SelectablePDFPageView::keyPressEvent(QKeyEvent *event)
{
    if (extendSelectionByKey(event))
        return event->accept();
    if (!isCopyOrSelectAll(event))
        return QWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_C)
        copy();
    else
        selectAll();
    event->accept(); // handled even with nothing to copy
}

QMenu *SelectablePDFPageView::makeContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    QAction *copyItem = menu->addAction(translate(QStringLiteral("Copy")));
    copyItem->setEnabled(selectedText().has_value());
    connect(copyItem, &QAction::triggered, this, &SelectablePDFPageView::copy);
    QAction *selectAllItem = menu->addAction(translate(QStringLiteral("Select All")));
    selectAllItem->setEnabled(usesRecognizedText() || (m_textLayer && m_textLayer->characterCount() > 0));
    connect(selectAllItem, &QAction::triggered, this, &SelectablePDFPageView::selectAll);
    if (menuExtension())
        menuExtension()(*this, *menu);
    return menu;
}

void SelectablePDFPageView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = makeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void SelectablePDFPageView::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void SelectablePDFPageView::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace tovik
