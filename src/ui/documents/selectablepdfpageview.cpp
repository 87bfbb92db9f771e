#include "documents/selectablepdfpageview.h"

#include "documents/pageselectioncenter.h"
#include "documents/passthroughlabel.h"
#include "i18n/translate.h"
#include "preview/previewocrcache.h"
#include "retranslate.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QStyleHints>
#include <QTimer>

namespace tovik {

namespace {

SelectablePDFPageView::MenuExtension &menuExtension()
{
    static SelectablePDFPageView::MenuExtension extension;
    return extension;
}

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

QScrollArea *enclosingScrollArea(QWidget *widget)
{
    for (QWidget *ancestor = widget->parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(ancestor))
            return area;
    }
    return nullptr;
}

} // namespace

void SelectablePDFPageView::setMenuExtension(MenuExtension extension)
{
    menuExtension() = std::move(extension);
}

SelectablePDFPageView::SelectablePDFPageView(QWidget *parent, PreviewOCRCache *cache)
    : QWidget(parent)
    , m_cache(cache ? *cache : PreviewOCRCache::shared())
    , m_statusLabel(new PassThroughLabel(this))
{
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::IBeamCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_statusLabel->hide();

    connect(&PageSelectionCenter::shared(), &PageSelectionCenter::previewPageTextSelection, this,
            [this](const QObject *view) {
                if (view != this)
                    QTimer::singleShot(0, this, &SelectablePDFPageView::clearSelections);
            });
    followLanguage(this, [this] {
        if (!m_statusEnglish.isEmpty())
            showStatus(m_statusEnglish);
    });
}

SelectablePDFPageView::~SelectablePDFPageView() = default;

void SelectablePDFPageView::apply(const SelectablePDFPage &row)
{
    m_caption = row.caption;
    m_textKey = row.textKey;

    if (row.pdfPage != m_pdfPage) {
        clearSelections();
        m_dragMode = DragMode::none;
        m_anchorPoint.reset();
        m_ocrAnchor.reset();
        m_pdfPage = row.pdfPage;
        m_textLayer = m_pdfPage ? m_pdfPage->textLayer() : nullptr;
        Q_EMIT pdfPageChanged();
    }
    if (row.image.cacheKey() != m_pageImage.cacheKey()) {
        m_pageImage = row.image;
        updateGeometry();
        update();
    }
    updateRecognition();

    if (!m_findHitsBuilt || row.findRanges != m_appliedFindRanges || m_findHitsPage != m_pdfPage) {
        rebuildFindHits(row.findRanges);
        update();
    }
    if (row.activeFindRange != m_activeFindRange || row.ocrFindGlyphs != m_ocrFindGlyphs
        || row.activeOCRFindGlyphs != m_activeOCRFindGlyphs) {
        m_activeFindRange = row.activeFindRange;
        m_ocrFindGlyphs = row.ocrFindGlyphs;
        m_activeOCRFindGlyphs = row.activeOCRFindGlyphs;
        update();
    }
    if (row.findReveal != m_consumedFindReveal) {
        m_consumedFindReveal = row.findReveal;
        if (m_activeFindRange || !m_activeOCRFindGlyphs.empty())
            requestReveal();
    }
}

// MARK: text

const PdfTextLayer *SelectablePDFPageView::textLayer() const
{
    return m_textLayer.get();
}

bool SelectablePDFPageView::hasUsableTextLayer() const
{
    return m_textLayer && !isBlank(m_textLayer->text());
}

bool SelectablePDFPageView::usesRecognizedText() const
{
    return m_pdfPage && !hasUsableTextLayer() && m_recognized && !m_recognized->isEmpty();
}

std::optional<QString> SelectablePDFPageView::selectedText() const
{
    if (m_ocrSelection && m_recognized) {
        const QString text = m_recognized->text(*m_ocrSelection);
        if (!isBlank(text))
            return text;
    }
    if (m_selection && m_textLayer) {
        const QString text = m_textLayer->selectionText(*m_selection);
        if (!text.isEmpty())
            return text;
    }
    return std::nullopt;
}

void SelectablePDFPageView::setPDFSelection(std::optional<TextRange> selection)
{
    if (selection && (!m_textLayer || m_textLayer->selectionText(*selection).isEmpty()))
        selection.reset();
    m_selection = selection;
    update();
}

void SelectablePDFPageView::setOCRSelection(std::optional<GlyphIndexSet> glyphs)
{
    std::optional<GlyphIndexSet> kept;
    if (m_recognized && glyphs && !glyphs->empty() && !isBlank(m_recognized->text(*glyphs)))
        kept = std::move(glyphs);
    if (kept == m_ocrSelection)
        return;
    m_ocrSelection = std::move(kept);
    update();
}

void SelectablePDFPageView::clearSelections()
{
    if (!m_selection && !m_ocrSelection)
        return;
    m_selection.reset();
    m_ocrSelection.reset();
    update();
}

void SelectablePDFPageView::selectAll()
{
    if (usesRecognizedText()) {
        PageSelectionCenter::shared().post(this);
        GlyphIndexSet all;
        for (qsizetype index = 0; index < m_recognized->glyphs().size(); ++index)
            all.insert(all.end(), index);
        setOCRSelection(all);
    } else if (m_textLayer && m_textLayer->characterCount() > 0) {
        PageSelectionCenter::shared().post(this);
        setPDFSelection(m_textLayer->selection({0, m_textLayer->characterCount()}));
    }
}

void SelectablePDFPageView::copy()
{
    if (const std::optional<QString> text = selectedText()) {
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(*text);
    }
}

// MARK: mouse and keys

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
    QScrollArea *area = enclosingScrollArea(this);
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

// MARK: size and reveal

bool SelectablePDFPageView::hasHeightForWidth() const
{
    return true;
}

int SelectablePDFPageView::heightForWidth(int width) const
{
    if (m_pageImage.width() <= 1 && m_pageImage.height() <= 1)
        return 0;
    if (width <= 1 || m_pageImage.width() < 1)
        return m_pageImage.height();
    return qRound(double(width) * m_pageImage.height() / m_pageImage.width());
}

QSize SelectablePDFPageView::sizeHint() const
{
    if (m_pageImage.width() <= 1 && m_pageImage.height() <= 1)
        return {0, 0};
    // Rendered pages are large; propose a sidebar-sized page of the same shape.
    const int width = std::min(m_pageImage.width(), 400);
    return {width, heightForWidth(width)};
}

void SelectablePDFPageView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeStatus();
    if (m_pendingFindReveal && width() > 1 && height() > 1) {
        m_pendingFindReveal = false;
        revealActiveMatch();
    }
}

void SelectablePDFPageView::requestReveal()
{
    if (width() > 1 && height() > 1) {
        QTimer::singleShot(0, this, &SelectablePDFPageView::revealActiveMatch);
    } else {
        m_pendingFindReveal = true;
        updateGeometry();
    }
}

void SelectablePDFPageView::revealActiveMatch()
{
    if (width() <= 1 || height() <= 1) {
        m_pendingFindReveal = true;
        updateGeometry();
        return;
    }
    QRectF united;
    QList<QRectF> rects = glyphRects(m_activeOCRFindGlyphs);
    if (rects.isEmpty() && m_activeFindRange) {
        for (const FindHit &hit : std::as_const(m_findHits)) {
            if (hit.range == *m_activeFindRange) {
                rects = pdfSelectionRects(hit.selection);
                break;
            }
        }
    }
    for (const QRectF &rect : std::as_const(rects))
        united = united.isNull() ? rect : united.united(rect);
    if (united.isNull())
        return;
    united.adjust(-32, -64, 32, 64);
    QScrollArea *area = enclosingScrollArea(this);
    if (!area || !area->widget())
        return;
    const QPoint center = mapTo(area->widget(), united.center().toPoint());
    area->ensureVisible(center.x(), center.y(), qRound(united.width() / 2), qRound(united.height() / 2));
}

// MARK: find hits

void SelectablePDFPageView::rebuildFindHits(const QList<TextRange> &ranges)
{
    m_findHitsBuilt = true;
    m_appliedFindRanges = ranges;
    m_findHitsPage = m_pdfPage;
    m_findHits.clear();
    if (!m_textLayer)
        return;
    const qsizetype count = m_textLayer->characterCount();
    for (const TextRange &range : ranges) {
        if (range.location < 0 || range.length <= 0 || range.end() > count)
            continue;
        if (const std::optional<TextRange> selection = m_textLayer->selection(range))
            m_findHits.append({range, *selection});
    }
}

} // namespace tovik
