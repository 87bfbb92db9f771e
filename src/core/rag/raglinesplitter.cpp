#include "rag/raglinesplitter.h"

#include "rag/ragline.h"

#include <QtAlgorithms>

#include <algorithm>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tovik {

namespace {

// Length of the UTF-8 sequence a lead byte starts, or 0 for a byte that starts none.
int sequenceLength(unsigned char byte)
{
    if (byte >= 0xC2 && byte <= 0xDF)
        return 2;
    if (byte >= 0xE0 && byte <= 0xEF)
        return 3;
    if (byte >= 0xF0 && byte <= 0xF4)
        return 4;
    return 0;
}

// How many bytes at the end of `bytes` begin a character that is not complete yet.
qsizetype incompleteTail(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= 4 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: keep looking for its lead
        const int needed = sequenceLength(byte);
        return needed > back ? back : 0;
    }
    return 0;
}

} // namespace

void RagLineSplitter::feed(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    // Drop the lines already taken; what stays is the start of an unfinished line.
    if (m_start >= m_text.size()) {
        m_text = QString();
    } else if (m_start > 0) {
        m_text.remove(0, m_start);
        // A huge line taken earlier leaves a buffer far larger than what is left.
        if (m_text.capacity() > 4 * m_text.size() + (1 << 20))
            m_text.squeeze();
    }
    m_scanned -= m_start;
    m_start = 0;

    QByteArray joined;
    if (!m_pendingBytes.isEmpty()) {
        // At most three bytes are pending, so this copy is small next to the piece.
        joined = m_pendingBytes + bytes.toByteArray();
        bytes = joined;
    }
    const qsizetype keep = incompleteTail(bytes);
    const QByteArrayView complete = bytes.first(bytes.size() - keep);
    m_pendingBytes = bytes.last(keep).toByteArray();
    // Decoded straight into the buffer, which grows geometrically like any QString.
    const qsizetype old = m_text.size();
    m_text.resize(old + m_decoder.requiredSpace(complete.size()));
    const QChar *end = m_decoder.appendToBuffer(m_text.data() + old, complete);
    m_text.truncate(end - m_text.constData());
}

void RagLineSplitter::finish()
{
    if (!m_pendingBytes.isEmpty()) {
        m_text.append(m_decoder.decode(m_pendingBytes));
        m_pendingBytes.clear();
    }
    m_finished = true;
}

namespace {
// Bit k set where text[k] ends a line, for the first sixteen characters. LF, VT, FF
// and CR are the four from LF on; U+2028 and U+2029 differ in the last bit only.
quint32 terminatorBits(const char16_t *text)
{
#ifdef __SSE2__
    const __m128i lineFeed = _mm_set1_epi16(u'\n');
    const __m128i three = _mm_set1_epi16(3);
    const __m128i nextLine = _mm_set1_epi16(short(0x85));
    const __m128i separator = _mm_set1_epi16(short(0x2029));
    const __m128i one = _mm_set1_epi16(1);
    const __m128i zero = _mm_setzero_si128();
    const auto ends = [&](const char16_t *at) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        const __m128i control = _mm_cmpeq_epi16(_mm_subs_epu16(_mm_sub_epi16(units, lineFeed), three), zero);
        return _mm_or_si128(control, _mm_or_si128(_mm_cmpeq_epi16(units, nextLine),
                                                  _mm_cmpeq_epi16(_mm_or_si128(units, one), separator)));
    };
    return quint32(_mm_movemask_epi8(_mm_packs_epi16(ends(text), ends(text + 8))));
#else
    quint32 bits = 0;
    for (int k = 0; k < 16; ++k)
        bits |= quint32(RagLineSplitter::isTerminator(text[k])) << k;
    return bits;
#endif
}
} // namespace

qsizetype RagLineSplitter::terminatorFrom(qsizetype from) const
{
    const char16_t *data = reinterpret_cast<const char16_t *>(m_text.constData());
    const qsizetype size = m_text.size();
    for (; from + 16 <= size; from += 16) {
        if (const quint32 bits = terminatorBits(data + from))
            return from + qCountTrailingZeroBits(bits);
    }
    while (from < size && !isTerminator(data[from]))
        ++from;
    return from;
}

bool RagLineSplitter::next(QStringView &line)
{
    const QChar *data = m_text.constData();
    const qsizetype size = m_text.size();
    while (m_scanned < size) {
        const qsizetype end = terminatorFrom(m_scanned);
        if (end == size) {
            m_scanned = size;
            break;
        }
        const qsizetype start = m_start;
        m_start = m_scanned = end + 1;
        // Empty lines, the one between CR and LF included, are skipped.
        if (end > start) {
            line = QStringView(data + start, end - start);
            return true;
        }
    }
    if (m_finished && m_start < size) {
        line = QStringView(data + m_start, size - m_start);
        m_start = m_scanned = size;
        return true;
    }
    return false;
}

bool RagLineSplitter::nextRun(QStringView &run, const RunStops &stops)
{
    const auto *data = reinterpret_cast<const char16_t *>(m_text.constData());
    const qsizetype size = m_text.size();
    const auto opensRun = [&](qsizetype at) { return !isTerminator(data[at]) && !stops.contains(data[at]); };
    qsizetype at = m_start; // start of the line looked at
    if (at >= size || !opensRun(at))
        return false;
    qsizetype firstEnd = -1;
    int lines = 0;
    // Sixteen characters a step (one by one near the end); each line end found closes
    // the line at `at`. The current line's scan so far is kept in m_scanned.
    const auto lineEnded = [&](qsizetype end) {
        if (lines == 0)
            firstEnd = end;
        if (data[end] != u'\n')
            return false;
        ++lines;
        at = end + 1;
        return at < size && opensRun(at);
    };
    bool stopped = false; // a line end closed a line that ends no run, or none follows
    for (qsizetype block = std::max(at + 1, m_scanned); !stopped && block < size;) {
        const bool whole = block + 16 <= size;
        for (quint32 bits = whole ? terminatorBits(data + block) : quint32(isTerminator(data[block])); bits != 0;
             bits &= bits - 1) {
            if (!lineEnded(block + qCountTrailingZeroBits(bits))) {
                stopped = true;
                break;
            }
        }
        block += whole ? 16 : 1;
    }
    const bool unfinished = !stopped && at < size; // the line at `at` has no terminator yet
    if (lines < 2) {
        // What was learnt about the current line spares next() scanning it again.
        if (firstEnd >= 0)
            m_scanned = firstEnd;
        else if (unfinished)
            m_scanned = size;
        return false;
    }
    run = QStringView(m_text.constData() + m_start, at - m_start);
    m_start = at;
    m_scanned = unfinished ? size : at;
    return true;
}

QString RagLineSplitter::takeBuffer()
{
    QString rest = m_start < m_text.size() ? m_text.sliced(m_start) : QString();
    QString taken = std::exchange(m_text, std::move(rest));
    m_scanned -= m_start;
    m_start = 0;
    return taken;
}

QString RagLine::take() const
{
    if (!m_whole)
        return m_text.toString();
    QString whole = std::move(*m_whole);
    whole.truncate(m_text.size());
    return whole;
}

void RagLineSplitter::feed(QByteArrayView bytes, const LineSink &sink)
{
    feed(bytes);
    drain(sink);
}

void RagLineSplitter::finish(const LineSink &sink)
{
    finish();
    drain(sink);
}

void RagLineSplitter::drain(const LineSink &sink)
{
    QStringView line;
    while (next(line))
        sink(line.toString());
}

} // namespace tovik
