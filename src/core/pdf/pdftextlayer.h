#pragma once

#include "pdf/textrange.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

namespace tovik {

// The text layer of one PDF page: the page text as one string and, for every UTF-16
// unit of it, the box of the character it belongs to. A selection is a TextRange of
// this text. All points and rectangles are in page space (see PdfPageGeometry).
//
// An immutable value: built once per page by the PDF backend, then read from any
// thread without locking.
class PdfTextLayer final
{
public:
    // One word as the backend extracted it, in reading order.
    struct Word
    {
        QString text;
        // One box per UTF-16 unit of text (both units of a surrogate pair carry
        // the character's box).
        QList<QRectF> unitBounds;
        bool spaceAfter = false;
        // The last word of a text line.
        bool endsLine = false;
    };

    PdfTextLayer() = default;
    // Joins the words: a space after a word marked spaceAfter, a line feed after a
    // word that ends a line (none after the last word). The inserted separators
    // have no box and are never hit.
    explicit PdfTextLayer(const QList<Word> &words);

    const QString &text() const { return m_text; }
    qsizetype characterCount() const { return m_text.size(); }

    // The box of the character at a UTF-16 index; a null rectangle for inserted
    // separators and indexes outside the text.
    QRectF characterBounds(qsizetype index) const;

    // The UTF-16 index of the character whose box contains the point (the smallest
    // box when several do), or -1.
    qsizetype characterIndexAt(QPointF point) const;

    // The selection of a character range: present only for a non-empty range that
    // lies within the text.
    std::optional<TextRange> selection(TextRange range) const;

    // The word under the point (word boundaries of the Unicode rules, with
    // dictionary segmentation for Chinese), or none when no character is hit.
    std::optional<TextRange> wordSelectionAt(QPointF point) const;

    // The text line under the point, without its trailing separator, or none.
    std::optional<TextRange> lineSelectionAt(QPointF point) const;

    // From the character nearest to `from` to the one nearest to `to`, both
    // included and in text order; none on a page without characters. Nearest
    // means on the closest line first, then the closest along it.
    std::optional<TextRange> selectionBetween(QPointF from, QPointF to) const;

    // The text of a selection (clamped to the page text).
    QString selectionText(TextRange selection) const;

    // One rectangle per text line the selection touches: the union of its
    // characters' boxes on that line.
    QList<QRectF> selectionLineBounds(TextRange selection) const;

    // The union of selectionLineBounds; null when the selection has no boxes.
    QRectF selectionBounds(TextRange selection) const;

    friend bool operator==(const PdfTextLayer &, const PdfTextLayer &) = default;

private:
    TextRange clamped(TextRange range) const;
    qsizetype nearestCharacter(QPointF point) const;

    QString m_text;
    QList<QRectF> m_bounds; // per UTF-16 unit
    QList<int> m_lines;     // line number per UTF-16 unit
    QList<QRectF> m_lineBounds;
};

} // namespace tovik
