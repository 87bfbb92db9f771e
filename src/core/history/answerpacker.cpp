#include "history/answerpacker.h"

#include <QtConcurrent>

namespace tovik {

namespace {

// Chunks being packed at once: enough to keep every core busy while reading goes on,
// few enough that the answers waiting, kept as read, stay a few megabytes.
constexpr size_t chunksInFlight = 3;

} // namespace

AnswerPacker::AnswerPacker(QList<QuestionRecord> &records)
    : m_records(records)
    , m_sampling(PackedTextDictionary::current() == nullptr)
{
    m_chunk.firstRecord = records.size();
}

AnswerPacker::~AnswerPacker()
{
    // A reading that failed half way: the chunks own their bytes, so nothing they use
    // goes away under them; wait only so that no work outlives the reading.
    for (Packing &packing : m_packing)
        packing.packed.waitForFinished();
}

void AnswerPacker::add(QByteArrayView utf8)
{
    Q_ASSERT(m_chunk.firstRecord + m_chunk.ends.size() == m_records.size() - 1);
    m_chunk.bytes.append(utf8);
    m_chunk.ends.append(m_chunk.bytes.size());
    if (m_sampling)
        m_sample.add(utf8);
    if (m_chunk.ends.size() >= rowsPerChunk || m_chunk.bytes.size() >= bytesPerChunk)
        submit();
}

void AnswerPacker::finish()
{
    submit();
    while (!m_packing.empty())
        takeOldest();
}

QList<PackedText> AnswerPacker::pack(const Chunk &chunk)
{
    QList<PackedText> packed;
    packed.reserve(chunk.ends.size());
    qsizetype start = 0;
    for (const qsizetype end : chunk.ends) {
        packed.append(PackedText::fromUtf8(QByteArrayView(chunk.bytes).sliced(start, end - start)));
        start = end;
    }
    return packed;
}

void AnswerPacker::endSampling()
{
    PackedTextDictionary::makeIfNone(m_sample.bytes());
    m_sampling = false;
    m_sample = PackedTextDictionary::Sample();
}

void AnswerPacker::submit()
{
    // No answer is packed before the dictionary is made from the first ones (if they
    // are enough to make one).
    if (m_sampling)
        endSampling();
    if (m_chunk.ends.isEmpty())
        return;
    const qsizetype first = m_chunk.firstRecord;
    m_packing.push_back({first, QtConcurrent::run([chunk = std::move(m_chunk)] { return pack(chunk); })});
    m_chunk = Chunk();
    m_chunk.firstRecord = m_records.size();
    while (m_packing.size() > chunksInFlight)
        takeOldest();
}

void AnswerPacker::takeOldest()
{
    Packing &oldest = m_packing.front();
    const QList<PackedText> packed = oldest.packed.result();
    for (qsizetype i = 0; i < packed.size(); ++i)
        m_records[oldest.firstRecord + i].answer = packed.at(i);
    m_packing.pop_front();
}

} // namespace tovik
