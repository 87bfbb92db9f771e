#pragma once

#include "pdf/textrange.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>
#include <set>

namespace tovik {

// Glyph indexes, in ascending order: the unit of selection and find on recognized text.
using GlyphIndexSet = std::set<qsizetype>;

// The recognized text of one image as a flat list of glyphs in reading order, with
// the queries that selection and find need. Every point and rectangle is normalized
// to the image: x and y from 0 to 1, origin at the lower-left corner, y upwards.
//
// A plain immutable value: free to copy between threads.
class RecognizedPageText final
{
public:
    struct Glyph
    {
        QString text; // one user-perceived character
        QRectF bounds;
        // Shared by the glyphs of one recognized line; counts up from 0 in reading order.
        qint64 lineID = 0;

        friend bool operator==(const Glyph &, const Glyph &) = default;
    };

    struct SearchHit
    {
        TextRange range;      // in searchText().text
        GlyphIndexSet glyphs; // never empty

        friend bool operator==(const SearchHit &, const SearchHit &) = default;
    };

    // The page as one string: glyph texts with a line feed between recognized lines,
    // and for every UTF-16 unit the index of the glyph it came from (-1 for the
    // inserted line feeds).
    struct SearchText
    {
        QString text;
        QList<qsizetype> glyphIndexes;
    };

    // A half-open run of glyph indexes.
    struct GlyphRange
    {
        qsizetype lower = 0;
        qsizetype upper = 0;

        bool isEmpty() const { return upper <= lower; }
        friend bool operator==(const GlyphRange &, const GlyphRange &) = default;
    };

    RecognizedPageText() = default;
    explicit RecognizedPageText(QList<Glyph> glyphs)
        : m_glyphs(std::move(glyphs))
    {
    }

    const QList<Glyph> &glyphs() const { return m_glyphs; }
    bool isEmpty() const { return m_glyphs.isEmpty(); }

    // The glyph whose box, widened by 0.004 left and right and 0.001 above and
    // below, contains the point; the smallest such box wins, then the lowest index.
    std::optional<qsizetype> glyphAt(QPointF point) const;

    // The run of word glyphs on the same line around `index` (a non-word glyph
    // alone). Out of range: empty at 0.
    GlyphRange wordRange(qsizetype index) const;

    // The run of glyphs sharing the line of `index`. Out of range: empty at 0.
    GlyphRange lineRange(qsizetype index) const;

    // Carets for keyboard selection sit between glyphs, from 0 to glyphs().size().
    // The start of the line after the caret's; the end on the last line.
    qsizetype caretLineDown(qsizetype caret) const;
    // The start of the caret's line, or of the line before when it is there already.
    qsizetype caretLineUp(qsizetype caret) const;
    // The caret after an arrow key (Qt::Key_Left, _Right, _Up, _Down): a glyph sideways, a
    // line up or down; unchanged for any other key.
    qsizetype movedCaret(qsizetype caret, int key) const;

    // Glyphs whose overlap with the rectangle is wider and higher than 0.0005.
    GlyphIndexSet glyphsIn(const QRectF &rect) const;

    // Glyph texts in index order with a line feed where the line changes; indexes
    // outside the list are ignored.
    QString text(const GlyphIndexSet &indexes) const;
    // All glyphs.
    QString text() const;

    SearchText searchText() const;

    // Every occurrence of the query in searchText() (see occurrences()), as the
    // glyphs it covers; matches made only of inserted line feeds are dropped.
    QList<SearchHit> search(const QString &query) const;

    // 0 at the top of the image to 1 at the bottom: where the middle of the glyphs'
    // united box lies. None without a usable box.
    std::optional<double> verticalCenter(const GlyphIndexSet &indexes) const;

    friend bool operator==(const RecognizedPageText &, const RecognizedPageText &) = default;

private:
    bool isWordGlyph(qsizetype index) const;

    QList<Glyph> m_glyphs;
};

} // namespace tovik
