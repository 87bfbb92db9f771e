#pragma once

#include "history/packedtext.h"
#include "history/packedtextdictionary.h"
#include "history/questionrecord.h"

#include <QByteArray>
#include <QFuture>
#include <QList>

#include <deque>

namespace tovik {

// Packs the answers of records as the store reads them, on the thread pool while the
// reading goes on, a few hundred at a time. The first chunk of answers also makes the
// process's dictionary, if it has none yet, before any answer is packed.
//
// Used on one thread; only that thread touches the records.
class AnswerPacker final
{
public:
    // Answers go to `records`, which the reader appends to, one record per add().
    explicit AnswerPacker(QList<QuestionRecord> &records);
    AnswerPacker(const AnswerPacker &) = delete;
    AnswerPacker &operator=(const AnswerPacker &) = delete;
    ~AnswerPacker();

    // The UTF-8 answer of the record appended last.
    void add(QByteArrayView utf8);
    // Every answer added is packed and in its record.
    void finish();

    static constexpr qsizetype rowsPerChunk = 512;
    static constexpr qsizetype bytesPerChunk = qsizetype(1) << 20;

private:
    // Answers back to back, and where each ends.
    struct Chunk
    {
        qsizetype firstRecord = 0;
        QByteArray bytes;
        QList<qsizetype> ends;
    };
    struct Packing
    {
        qsizetype firstRecord = 0;
        QFuture<QList<PackedText>> packed;
    };

    static QList<PackedText> pack(const Chunk &chunk);
    void endSampling();
    void submit();
    void takeOldest();

    QList<QuestionRecord> &m_records;
    Chunk m_chunk;
    std::deque<Packing> m_packing;
    bool m_sampling;
    PackedTextDictionary::Sample m_sample;
};

} // namespace tovik
