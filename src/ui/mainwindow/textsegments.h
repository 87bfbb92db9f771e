#pragma once

#include <QStringView>

#include <QtGlobal>

#include <vector>

namespace tovik {

// Cuts a text into the pieces a text view lays out one at a time: each line (up to a
// line feed) is one piece, and a line longer than maxLength is cut into pieces of at
// most maxLength characters, after a space when one is close to the limit, and never
// between the two halves of a surrogate pair. A view lays out only the pieces it
// shows, so no line is too long to show at once. Growing the text costs only the new
// end.
class TextSegments final
{
public:
    static constexpr qsizetype maxLength = 1024;

    TextSegments();

    // Forgets the text; then it is as if the text were empty.
    void clear();
    // `text` is what was read before with something appended (or the same): the pieces
    // from the last one on are cut again. With a budget, at most about that many new
    // characters are read: false when the cutting stopped short of the end (the last
    // piece is then empty, at the point reached) and update() should be called again.
    bool update(QStringView text, qsizetype budget = -1);

    // At least 1: an empty text or line is one empty piece.
    qsizetype count() const { return m_count; }
    qsizetype start(qsizetype index) const
    {
        const Block &block = m_blocks[std::size_t(index >> blockBits)];
        return block.base + block.offsets[std::size_t(index & blockMask)];
    }
    // Where piece `index` ends: before the line feed that ends its line, where the next
    // piece starts, or, for the last piece, where the text read by update() ended.
    qsizetype end(QStringView text, qsizetype index) const;
    // How much of the text update() read.
    qsizetype size() const { return m_size; }
    // The piece that holds `position` (a position at a cut belongs to the later piece).
    qsizetype indexOf(qsizetype position) const;

private:
    // A million-line text has a million pieces. Their starts are kept in blocks of a
    // few thousand, each start as a 32-bit distance from its block's first: half the
    // memory of full positions, and a growing text never copies the starts it has.
    static constexpr int blockBits = 12;
    static constexpr qsizetype blockSize = qsizetype(1) << blockBits;
    static constexpr qsizetype blockMask = blockSize - 1;
    struct Block
    {
        qsizetype base = 0;           // start of the block's first piece
        std::vector<quint32> offsets; // each start minus base
    };
    void append(qsizetype start);
    void removeLast();
    qsizetype last() const { return start(m_count - 1); }

    std::vector<Block> m_blocks;
    qsizetype m_count = 0;
    qsizetype m_size = 0;
};

} // namespace tovik
