#include "documents/selectablepdfpageview.h"

#include "documents/pageselectioncenter.h"
#include "documents/passthroughlabel.h"
#include "i18n/translate.h"
#include "language/retranslate.h"
#include "preview/previewocrcache.h"
#include "widgets/primaryselection.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollArea>
#include <QTimer>

namespace tovik {

namespace {

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

} // namespace

SelectablePDFPageView::MenuExtension &SelectablePDFPageView::menuExtension()
{
    static MenuExtension extension;
    return extension;
}

QScrollArea *SelectablePDFPageView::enclosingScrollArea() const
{
    for (QWidget *ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(ancestor))
            return area;
    }
    return nullptr;
}

void SelectablePDFPageView::setMenuExtension(MenuExtension extension)
{
    menuExtension() = std::move(extension);
}

SelectablePDFPageView::SelectablePDFPageView(QWidget *parent, PreviewOCRCache *cache)
    : QWidget(parent)
    , m_cache(cache ? *cache : PreviewOCRCache::shared())
    , m_statusLabel(new PassThroughLabel(this))
{
    setFocusPolicy(Qt::StrongFocus);
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
        setAccessibleDescription(translate(
            QStringLiteral("Page text. Shift and the arrow keys select, Ctrl+A selects all, Ctrl+C copies.")));
    });
}

SelectablePDFPageView::~SelectablePDFPageView() = default;

void SelectablePDFPageView::apply(const SelectablePDFPage &row)
{
    m_caption = row.caption;
    setAccessibleName(m_caption);
    m_textKey = row.textKey;
    m_sourcePath = row.sourcePath;

    if (row.pdfPage != m_pdfPage) {
        clearSelections();
        m_dragMode = DragMode::none;
        m_anchorPoint.reset();
        m_ocrAnchor.reset();
        m_pdfPage = row.pdfPage;
        m_textLayer = m_pdfPage ? m_pdfPage->textLayer() : nullptr;
        ++m_textGeneration;
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
    applyClaims(row);
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
    offerPrimarySelection(selectedText().value_or(QString()));
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
    offerPrimarySelection(selectedText().value_or(QString()));
}

void SelectablePDFPageView::clearSelections()
{
    m_keyAnchor.reset();
    if (!m_selection && !m_ocrSelection)
        return;
    m_selection.reset();
    m_ocrSelection.reset();
    update();
}

void SelectablePDFPageView::selectAll()
{
    m_keyAnchor.reset();
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
    if (m_pendingClaimReveal)
        revealActivePassage();
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
    QScrollArea *area = enclosingScrollArea();
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
