#include "rag/raglinesplitter.h"

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

bool RagLineSplitter::isTerminator(char16_t c)
{
    switch (c) {
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case u'\u0085':
    case u'\u2028':
    case u'\u2029':
        return true;
    default:
        return false;
    }
}

void RagLineSplitter::feed(QByteArrayView bytes, const LineSink &sink)
{
    if (bytes.isEmpty())
        return;
    QString text;
    if (m_pendingBytes.isEmpty()) {
        const qsizetype keep = incompleteTail(bytes);
        text = m_decoder.decode(bytes.first(bytes.size() - keep));
        m_pendingBytes = bytes.last(keep).toByteArray();
    } else {
        // At most three bytes are pending, so this copy is small next to the piece.
        QByteArray joined = m_pendingBytes + bytes.toByteArray();
        const qsizetype keep = incompleteTail(joined);
        text = m_decoder.decode(QByteArrayView(joined).first(joined.size() - keep));
        m_pendingBytes = joined.right(keep);
    }
    split(text, sink);
}

void RagLineSplitter::finish(const LineSink &sink)
{
    if (!m_pendingBytes.isEmpty()) {
        split(m_decoder.decode(m_pendingBytes), sink);
        m_pendingBytes.clear();
    }
    if (!m_partialLine.isEmpty())
        sink(std::exchange(m_partialLine, QString()));
}

void RagLineSplitter::split(const QString &text, const LineSink &sink)
{
    const qsizetype size = text.size();
    const QChar *data = text.constData();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        if (!isTerminator(data[i].unicode()))
            continue;
        // A CR LF pair gives an empty "line" between the two, which is skipped anyway.
        if (m_partialLine.isEmpty()) {
            if (i > start)
                sink(QString(data + start, i - start));
        } else {
            m_partialLine.append(data + start, i - start);
            sink(std::exchange(m_partialLine, QString()));
        }
        start = i + 1;
    }
    if (start < size)
        m_partialLine.append(data + start, size - start);
}

} // namespace tovik
