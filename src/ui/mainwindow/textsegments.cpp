#include "mainwindow/textsegments.h"

#include <QtAlgorithms>

#include <algorithm>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tovik {

namespace {
// How far back from the limit a cut looks for a space.
constexpr qsizetype spaceSearch = 64;

// The first line feed in text[from, limit), or -1. Most lines are short: the first few
// characters are looked at one by one, which for a line of a few words costs less
// than the call of the vectorized search that takes the rest.
qsizetype lineFeedBefore(QStringView text, qsizetype from, qsizetype limit)
{
    const char16_t *data = text.utf16();
    const qsizetype near = std::min(limit, from + 32);
    for (qsizetype k = from; k < near; ++k) {
        if (data[k] == u'\n')
            return k;
    }
    return near < limit ? text.first(limit).indexOf(u'\n', near) : -1;
}
// Bit k set where text[k] is a line feed, for the first sixteen characters.
quint32 lineFeedBits(const char16_t *text)
{
#ifdef __SSE2__
    const __m128i lineFeed = _mm_set1_epi16(u'\n');
    const __m128i low = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(text)), lineFeed);
    const __m128i high = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(text + 8)), lineFeed);
    return quint32(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
#else
    quint32 bits = 0;
    for (int k = 0; k < 16; ++k)
        bits |= quint32(text[k] == u'\n') << k;
    return bits;
#endif
}
} // namespace

TextSegments::TextSegments()
{
    clear();
}

void TextSegments::clear()
{
    m_blocks.clear();
    m_count = 0;
    m_size = 0;
    append(0);
}

void TextSegments::append(qsizetype start)
{
    if ((m_count & blockMask) == 0) {
        Block block;
        block.base = start;
        // The first block grows as a short text needs; later ones are filled anyway.
        if (m_count > 0)
            block.offsets.reserve(std::size_t(blockSize));
        m_blocks.push_back(std::move(block));
    }
    Block &block = m_blocks.back();
    block.offsets.push_back(quint32(start - block.base));
    ++m_count;
}

void TextSegments::removeLast()
{
    Block &block = m_blocks.back();
    block.offsets.pop_back();
    if (block.offsets.empty())
        m_blocks.pop_back();
    --m_count;
}

bool TextSegments::update(QStringView text, qsizetype budget)
{
    qsizetype at = last();
    removeLast();
    const qsizetype size = text.size();
    const qsizetype stop = budget < 0 ? size : std::min(size, at + budget);
    const char16_t *data = text.utf16();
    m_size = size;
    append(at);
    for (;;) {
        // The piece at `at` is the last one so far; where does it end?
        if (at >= stop && at < size) {
            m_size = at;
            return false;
        }
        // Short lines, sixteen characters at a time: each line feed there ends a piece.
        // Far enough from the limit, no line feed can be beyond it.
        Block *block = &m_blocks.back();
        qsizetype room = blockSize - (m_count & blockMask); // starts the last block has room for
        if ((m_count & blockMask) == 0)
            room = 0;
        for (qsizetype scan = at; scan + 16 <= size && scan - at < maxLength - 16; scan += 16) {
            for (quint32 bits = lineFeedBits(data + scan); bits != 0; bits &= bits - 1) {
                at = scan + qCountTrailingZeroBits(bits) + 1;
                if (room > 0) {
                    block->offsets.push_back(quint32(at - block->base));
                    ++m_count;
                    --room;
                } else {
                    append(at);
                    block = &m_blocks.back();
                    room = blockSize - 1;
                }
                if (at >= stop && at < size) {
                    m_size = at;
                    return false;
                }
            }
        }
        const qsizetype limit = std::min(size, at + maxLength);
        const qsizetype lineFeed = lineFeedBefore(text, at, limit);
        if (lineFeed >= 0) {
            at = lineFeed + 1;
        } else if (limit == size) {
            return true;
        } else {
            // Too long: cut after a space among the last few characters, else at the limit.
            qsizetype cut = limit;
            for (qsizetype k = limit; k > limit - spaceSearch; --k) {
                if (text[k - 1].isSpace()) {
                    cut = k;
                    break;
                }
            }
            if (cut == limit && text[cut - 1].isHighSurrogate() && text[cut].isLowSurrogate())
                --cut;
            at = cut;
        }
        append(at);
    }
}

qsizetype TextSegments::end(QStringView text, qsizetype index) const
{
    if (index + 1 >= count())
        return m_size;
    const qsizetype next = start(index + 1);
    return next > 0 && text[next - 1] == u'\n' ? next - 1 : next;
}

qsizetype TextSegments::indexOf(qsizetype position) const
{
    // The last block whose first piece starts at or before `position`, then the piece
    // within it.
    const auto block = std::upper_bound(m_blocks.cbegin(), m_blocks.cend(), position,
                                        [](qsizetype at, const Block &b) { return at < b.base; });
    if (block == m_blocks.cbegin())
        return 0;
    const Block &found = *(block - 1);
    const qsizetype relative = position - found.base;
    const auto after = relative >= qsizetype(std::numeric_limits<quint32>::max())
        ? found.offsets.cend()
        : std::upper_bound(found.offsets.cbegin(), found.offsets.cend(), quint32(relative));
    return ((block - 1) - m_blocks.cbegin()) * blockSize + (after - found.offsets.cbegin()) - 1;
}

} // namespace tovik
