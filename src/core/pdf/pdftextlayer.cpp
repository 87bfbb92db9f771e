#include "pdf/pdftextlayer.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <limits>
#include <memory>
#include <utility>

namespace tovik {

namespace {

qreal area(const QRectF &box)
{
    return qMax<qreal>(box.width(), 0) * qMax<qreal>(box.height(), 0);
}

// How far a point lies from a box, vertically first: a point level with a line
// is nearer to any character of that line than to one of another line.
std::pair<qreal, qreal> distanceToBox(QPointF point, const QRectF &box)
{
    const qreal dx = qMax<qreal>(qMax(box.left() - point.x(), point.x() - box.right()), 0);
    const qreal dy = qMax<qreal>(qMax(box.top() - point.y(), point.y() - box.bottom()), 0);
    return {dy, dx};
}

} // namespace

PdfTextLayer::PdfTextLayer(const QList<Word> &words)
{
    int line = 0;
    auto append = [&](const QString &text, const QList<QRectF> &bounds) {
        m_text += text;
        for (qsizetype i = 0; i < text.size(); ++i) {
            m_bounds.append(bounds.value(i));
            m_lines.append(line);
        }
    };
    for (qsizetype w = 0; w < words.size(); ++w) {
        const Word &word = words[w];
        if (word.text.isEmpty())
            continue;
        if (m_lineBounds.size() <= line)
            m_lineBounds.resize(line + 1);
        append(word.text, word.unitBounds);
        for (qsizetype i = 0; i < word.text.size(); ++i)
            m_lineBounds[line] |= word.unitBounds.value(i).normalized();
        const bool last = w + 1 == words.size();
        if (word.endsLine) {
            if (!last)
                append(QStringLiteral("\n"), {});
            ++line;
        } else if (word.spaceAfter && !last) {
            append(QStringLiteral(" "), {});
        }
    }
}

QRectF PdfTextLayer::characterBounds(qsizetype index) const
{
    return m_bounds.value(index);
}

qsizetype PdfTextLayer::characterIndexAt(QPointF point) const
{
    qsizetype best = -1;
    qreal bestArea = std::numeric_limits<qreal>::max();
    for (qsizetype i = 0; i < m_bounds.size(); ++i) {
        const QRectF box = m_bounds[i].normalized();
        if (box.isNull() || !box.contains(point))
            continue;
        if (area(box) < bestArea) {
            bestArea = area(box);
            best = i;
        }
    }
    return best;
}

TextRange PdfTextLayer::clamped(TextRange range) const
{
    const qsizetype start = qBound<qsizetype>(0, range.location, m_text.size());
    const qsizetype end = qBound<qsizetype>(start, range.end(), m_text.size());
    return {start, end - start};
}

std::optional<TextRange> PdfTextLayer::selection(TextRange range) const
{
    if (range.location < 0 || range.length <= 0 || range.end() > m_text.size())
        return std::nullopt;
    return range;
}

std::optional<TextRange> PdfTextLayer::wordSelectionAt(QPointF point) const
{
    const qsizetype index = characterIndexAt(point);
    if (index < 0)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> words(icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !words)
        return TextRange{index, 1};
    // Read-only alias: m_text outlives the iterator.
    const icu::UnicodeString text(false, reinterpret_cast<const UChar *>(m_text.utf16()), int32_t(m_text.size()));
    words->setText(text);
    const int32_t end = words->following(int32_t(index));
    const int32_t start = words->preceding(end);
    if (end == icu::BreakIterator::DONE || start == icu::BreakIterator::DONE || start > index)
        return TextRange{index, 1};
    return TextRange{start, end - start};
}

std::optional<TextRange> PdfTextLayer::lineSelectionAt(QPointF point) const
{
    int line = -1;
    const qsizetype index = characterIndexAt(point);
    if (index >= 0) {
        line = m_lines[index];
    } else {
        for (qsizetype l = 0; l < m_lineBounds.size(); ++l) {
            if (m_lineBounds[l].contains(point)) {
                line = int(l);
                break;
            }
        }
    }
    if (line < 0)
        return std::nullopt;
    const qsizetype start = m_lines.indexOf(line);
    qsizetype end = m_lines.lastIndexOf(line) + 1;
    while (end > start && m_bounds[end - 1].isNull())
        --end;
    if (end <= start)
        return std::nullopt;
    return TextRange{start, end - start};
}

qsizetype PdfTextLayer::nearestCharacter(QPointF point) const
{
    qsizetype best = -1;
    std::pair<qreal, qreal> bestDistance{std::numeric_limits<qreal>::max(), 0};
    for (qsizetype i = 0; i < m_bounds.size(); ++i) {
        if (m_bounds[i].isNull())
            continue;
        const std::pair<qreal, qreal> distance = distanceToBox(point, m_bounds[i].normalized());
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

std::optional<TextRange> PdfTextLayer::selectionBetween(QPointF from, QPointF to) const
{
    const qsizetype a = nearestCharacter(from);
    const qsizetype b = nearestCharacter(to);
    if (a < 0 || b < 0)
        return std::nullopt;
    const qsizetype start = qMin(a, b);
    return TextRange{start, qMax(a, b) - start + 1};
}

QString PdfTextLayer::selectionText(TextRange selection) const
{
    const TextRange range = clamped(selection);
    return m_text.mid(range.location, range.length);
}

QList<QRectF> PdfTextLayer::selectionLineBounds(TextRange selection) const
{
    const TextRange range = clamped(selection);
    QList<QRectF> result;
    int currentLine = -1;
    for (qsizetype i = range.location; i < range.end(); ++i) {
        const QRectF box = m_bounds[i].normalized();
        if (box.isNull())
            continue;
        if (m_lines[i] != currentLine || result.isEmpty()) {
            currentLine = m_lines[i];
            result.append(box);
        } else {
            result.last() |= box;
        }
    }
    return result;
}

QRectF PdfTextLayer::selectionBounds(TextRange selection) const
{
    QRectF united;
    for (const QRectF &box : selectionLineBounds(selection))
        united |= box;
    return united;
}

} // namespace tovik
