#include "preview/recognizedpagetext.h"

#include "preview/textoccurrences.h"

#include <QTextBoundaryFinder>

#include <cmath>
#include <limits>

namespace tovik {

namespace {

qreal clippedArea(const QRectF &box)
{
    return qMax<qreal>(box.width(), 0) * qMax<qreal>(box.height(), 0);
}

bool isOneCharacter(const QString &text)
{
    if (text.isEmpty())
        return false;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    return graphemes.toNextBoundary() == text.size();
}

bool isWordScalar(char32_t scalar)
{
    if (QChar::isSpace(scalar))
        return false;
    switch (QChar::category(scalar)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
    case QChar::Symbol_Math:
    case QChar::Symbol_Currency:
    case QChar::Symbol_Modifier:
    case QChar::Symbol_Other:
        return false;
    default:
        return true;
    }
}

} // namespace

bool RecognizedPageText::isWordGlyph(qsizetype index) const
{
    const QString &text = m_glyphs[index].text;
    if (!isOneCharacter(text))
        return false;
    const QList<uint> scalars = text.left(2).toUcs4();
    return !scalars.isEmpty() && isWordScalar(scalars.first());
}

std::optional<qsizetype> RecognizedPageText::glyphAt(QPointF point) const
{
    std::optional<qsizetype> best;
    qreal bestArea = std::numeric_limits<qreal>::max();
    for (qsizetype i = 0; i < m_glyphs.size(); ++i) {
        const QRectF box = m_glyphs[i].bounds;
        const QRectF widened = box.adjusted(-0.004, -0.001, 0.004, 0.001);
        if (!widened.contains(point))
            continue;
        const qreal area = clippedArea(box);
        if (area < bestArea) {
            bestArea = area;
            best = i;
        }
    }
    return best;
}

RecognizedPageText::GlyphRange RecognizedPageText::wordRange(qsizetype index) const
{
    if (index < 0 || index >= m_glyphs.size())
        return {};
    if (!isWordGlyph(index))
        return {index, index + 1};
    const qint64 line = m_glyphs[index].lineID;
    qsizetype lower = index;
    while (lower > 0 && m_glyphs[lower - 1].lineID == line && isWordGlyph(lower - 1))
        --lower;
    qsizetype upper = index + 1;
    while (upper < m_glyphs.size() && m_glyphs[upper].lineID == line && isWordGlyph(upper))
        ++upper;
    return {lower, upper};
}

RecognizedPageText::GlyphRange RecognizedPageText::lineRange(qsizetype index) const
{
    if (index < 0 || index >= m_glyphs.size())
        return {};
    const qint64 line = m_glyphs[index].lineID;
    qsizetype lower = index;
    while (lower > 0 && m_glyphs[lower - 1].lineID == line)
        --lower;
    qsizetype upper = index + 1;
    while (upper < m_glyphs.size() && m_glyphs[upper].lineID == line)
        ++upper;
    return {lower, upper};
}

qsizetype RecognizedPageText::caretLineDown(qsizetype caret) const
{
    const qsizetype count = m_glyphs.size();
    if (caret >= count)
        return count;
    return lineRange(std::max<qsizetype>(0, caret)).upper;
}

qsizetype RecognizedPageText::caretLineUp(qsizetype caret) const
{
    if (caret <= 1)
        return 0;
    return lineRange(std::min(caret, m_glyphs.size()) - 1).lower;
}

qsizetype RecognizedPageText::movedCaret(qsizetype caret, int key) const
{
    switch (key) {
    case Qt::Key_Left:
        return std::max<qsizetype>(0, caret - 1);
    case Qt::Key_Right:
        return std::min(m_glyphs.size(), caret + 1);
    case Qt::Key_Down:
        return caretLineDown(caret);
    case Qt::Key_Up:
        return caretLineUp(caret);
    default:
        return caret;
    }
}

GlyphIndexSet RecognizedPageText::glyphsIn(const QRectF &rect) const
{
    const QRectF area = rect.normalized();
    GlyphIndexSet found;
    for (qsizetype i = 0; i < m_glyphs.size(); ++i) {
        const QRectF box = m_glyphs[i].bounds.normalized();
        const qreal width = qMin(box.right(), area.right()) - qMax(box.left(), area.left());
        const qreal height = qMin(box.bottom(), area.bottom()) - qMax(box.top(), area.top());
        if (width > 0.0005 && height > 0.0005)
            found.insert(i);
    }
    return found;
}

QString RecognizedPageText::text(const GlyphIndexSet &indexes) const
{
    QString result;
    std::optional<qint64> previousLine;
    for (qsizetype index : indexes) {
        if (index < 0 || index >= m_glyphs.size())
            continue;
        const Glyph &glyph = m_glyphs[index];
        if (previousLine && *previousLine != glyph.lineID)
            result += QLatin1Char('\n');
        result += glyph.text;
        previousLine = glyph.lineID;
    }
    return result;
}

QString RecognizedPageText::text() const
{
    return searchText().text;
}

RecognizedPageText::SearchText RecognizedPageText::searchText() const
{
    SearchText result;
    for (qsizetype i = 0; i < m_glyphs.size(); ++i) {
        const Glyph &glyph = m_glyphs[i];
        if (i > 0 && glyph.lineID != m_glyphs[i - 1].lineID) {
            result.text += QLatin1Char('\n');
            result.glyphIndexes.append(-1);
        }
        result.text += glyph.text;
        result.glyphIndexes.insert(result.glyphIndexes.size(), glyph.text.size(), i);
    }
    return result;
}

QList<RecognizedPageText::SearchHit> RecognizedPageText::search(const QString &query) const
{
    const SearchText page = searchText();
    QList<SearchHit> hits;
    for (const TextRange &range : occurrences(page.text, query, page.text.size())) {
        SearchHit hit{range, {}};
        const qsizetype end = qMin(range.end(), page.text.size());
        for (qsizetype unit = range.location; unit < end; ++unit) {
            if (page.glyphIndexes[unit] >= 0)
                hit.glyphs.insert(page.glyphIndexes[unit]);
        }
        if (!hit.glyphs.empty())
            hits.append(std::move(hit));
    }
    return hits;
}

std::optional<double> RecognizedPageText::verticalCenter(const GlyphIndexSet &indexes) const
{
    bool any = false;
    qreal left = 0, right = 0, bottom = 0, top = 0; // y grows upwards: bottom < top
    for (qsizetype index : indexes) {
        if (index < 0 || index >= m_glyphs.size())
            continue;
        const QRectF box = m_glyphs[index].bounds.normalized();
        if (!any) {
            left = box.left();
            right = box.right();
            bottom = box.top();
            top = box.bottom();
            any = true;
            continue;
        }
        left = qMin(left, box.left());
        right = qMax(right, box.right());
        bottom = qMin(bottom, box.top());
        top = qMax(top, box.bottom());
    }
    if (!any)
        return std::nullopt;
    const qreal width = right - left;
    const qreal height = top - bottom;
    if (!std::isfinite(width) || !std::isfinite(height) || !std::isfinite(left) || !std::isfinite(bottom))
        return std::nullopt;
    if (!(width > 0.0005) && !(height > 0.0005))
        return std::nullopt;
    return qBound(0.0, 1.0 - (bottom + height / 2), 1.0);
}

} // namespace tovik
