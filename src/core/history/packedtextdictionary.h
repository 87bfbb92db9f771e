#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace tovik {

// Pieces of a history's own answers that every answer compressed later may refer
// to. An answer of a few hundred bytes has little in it that repeats, but much that
// other answers also say: with these pieces in front of it, it compresses about as
// well as a long one. One per process, made from the first answers read and then
// never changed or freed, so any thread may read it once it is there.
class PackedTextDictionary final
{
public:
    PackedTextDictionary(const PackedTextDictionary &) = delete;
    PackedTextDictionary &operator=(const PackedTextDictionary &) = delete;

    // The pieces are the starts of answers, up to this many bytes each and in all.
    static constexpr qsizetype pieceSize = 512;
    static constexpr qsizetype maximumSize = 32 * 1024;
    // Less than this is too little to be worth it.
    static constexpr qsizetype minimumSize = 4 * 1024;

    // Collects pieces of answers, in the order they are read.
    class Sample final
    {
    public:
        void add(QByteArrayView answer);
        bool isFull() const { return m_bytes.size() >= maximumSize; }
        QByteArrayView bytes() const { return m_bytes; }

    private:
        QByteArray m_bytes;
    };

    // The dictionary, or nullptr while none has been made.
    static const PackedTextDictionary *current();
    // Makes the dictionary from `sample` unless there is one already or the sample is
    // under minimumSize. Returns current().
    static const PackedTextDictionary *makeIfNone(QByteArrayView sample);

    QByteArrayView bytes() const { return m_bytes; }

    // LZ4 compression of `source` with the dictionary in front: the compressed size,
    // or 0 when it does not fit in `capacity` bytes.
    int compress(QByteArrayView source, char *destination, int capacity) const;
    // Unpacks `compressed` into `destination`, which must directly follow a copy of
    // bytes() (LZ4 reads a dictionary in front of its output fastest). The size
    // unpacked, or a negative number for bytes that are not such a compression.
    int decompress(QByteArrayView compressed, char *destination, int capacity) const;
    // The same into any buffer: slower per byte, but with no copy of the dictionary,
    // for a text read once.
    int decompressAnywhere(QByteArrayView compressed, char *destination, int capacity) const;

private:
    explicit PackedTextDictionary(QByteArrayView sample);
    ~PackedTextDictionary();

    QByteArray m_bytes;
    void *m_stream; // LZ4_stream_t with m_bytes loaded, copied for each compression
};

} // namespace tovik
