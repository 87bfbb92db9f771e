// Drawing, bottom to top: white, the page image, the cited passages, recognized-text find highlights,
// text-layer find highlights, the selection.
#include "documents/selectablepdfpageview.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <iterator>

namespace tovik {

namespace {

// The system yellow and orange of the find highlights.
const QColor findColor(255, 204, 0);
const QColor activeFindColor(255, 149, 0);
// Selection of a page that doesn't have the keyboard focus.
const QColor unemphasizedSelectionColor(220, 220, 220);

QColor withOpacity(QColor color, qreal opacity)
{
    color.setAlphaF(opacity);
    return color;
}

void fillAll(QPainter &painter, const QList<QRectF> &rects, const QColor &color)
{
    for (const QRectF &rect : rects) {
        if (!rect.isEmpty())
            painter.fillRect(rect, color);
    }
}

} // namespace

QRectF SelectablePDFPageView::viewRectForPage(const QRectF &pageRect) const
{
    if (!m_pdfPage)
        return {};
    const PdfPageGeometry geometry = m_pdfPage->geometry();
    const QSizeF displayed = geometry.displayedSize();
    if (displayed.width() <= 1 || displayed.height() <= 1)
        return {};
    const QRectF box = geometry.cropBoxTransform().mapRect(pageRect.normalized());
    const qreal sx = width() / displayed.width();
    const qreal sy = height() / displayed.height();
    return QRectF(box.left() * sx, (displayed.height() - box.bottom()) * sy, box.width() * sx, box.height() * sy);
}

QRectF SelectablePDFPageView::viewRectForNormalized(const QRectF &box) const
{
    return QRectF(box.x() * width(), (1.0 - box.bottom()) * height(), box.width() * width(), box.height() * height());
}

QList<QRectF> SelectablePDFPageView::glyphRects(const GlyphIndexSet &glyphs) const
{
    QList<QRectF> rects;
    if (!m_recognized)
        return rects;
    const QList<RecognizedPageText::Glyph> &all = m_recognized->glyphs();
    QRectF run;
    qsizetype previous = -2;
    qint64 runLine = 0;
    for (const qsizetype index : glyphs) {
        if (index < 0 || index >= all.size())
            continue;
        const RecognizedPageText::Glyph &glyph = all[index];
        const QRectF rect = viewRectForNormalized(glyph.bounds);
        if (rect.isEmpty())
            continue;
        if (!run.isNull() && index == previous + 1 && glyph.lineID == runLine) {
            run = run.united(rect);
        } else {
            if (!run.isNull())
                rects.append(run);
            run = rect;
            runLine = glyph.lineID;
        }
        previous = index;
    }
    if (!run.isNull())
        rects.append(run);
    return rects;
}

QList<QRectF> SelectablePDFPageView::pdfSelectionRects(TextRange selection) const
{
    QList<QRectF> rects;
    if (!m_textLayer)
        return rects;
    for (const QRectF &line : m_textLayer->selectionLineBounds(selection)) {
        const QRectF rect = viewRectForPage(line);
        if (!rect.isEmpty())
            rects.append(rect);
    }
    return rects;
}

void SelectablePDFPageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!m_pageImage.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(rect()), m_pageImage);
    }

    paintPassages(painter);
    if (m_recognized) {
        GlyphIndexSet others;
        std::set_difference(m_ocrFindGlyphs.begin(), m_ocrFindGlyphs.end(), m_activeOCRFindGlyphs.begin(),
                            m_activeOCRFindGlyphs.end(), std::inserter(others, others.end()));
        fillAll(painter, glyphRects(others), withOpacity(findColor, 0.42));
        fillAll(painter, glyphRects(m_activeOCRFindGlyphs), withOpacity(activeFindColor, 0.62));
    }
    for (const FindHit &hit : std::as_const(m_findHits)) {
        if (!(m_activeFindRange && hit.range == *m_activeFindRange))
            fillAll(painter, pdfSelectionRects(hit.selection), withOpacity(findColor, 0.42));
    }
    for (const FindHit &hit : std::as_const(m_findHits)) {
        if (m_activeFindRange && hit.range == *m_activeFindRange)
            fillAll(painter, pdfSelectionRects(hit.selection), withOpacity(activeFindColor, 0.62));
    }

    const QColor selectionColor = hasFocus() ? withOpacity(palette().color(QPalette::Active, QPalette::Highlight), 0.35)
                                             : withOpacity(unemphasizedSelectionColor, 0.45);
    if (m_ocrSelection)
        fillAll(painter, glyphRects(*m_ocrSelection), selectionColor);
    else if (m_selection)
        fillAll(painter, pdfSelectionRects(*m_selection), selectionColor);
}

} // namespace tovik
