#include "history/packedtextdictionary.h"

#include <lz4.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace tovik {

namespace {

std::atomic<const PackedTextDictionary *> made{nullptr};

struct StreamDeleter
{
    void operator()(LZ4_stream_t *stream) const { LZ4_freeStream(stream); }
};

} // namespace

void PackedTextDictionary::Sample::add(QByteArrayView answer)
{
    const qsizetype room = maximumSize - m_bytes.size();
    if (room > 0)
        m_bytes.append(answer.first(std::min({answer.size(), pieceSize, room})));
}

const PackedTextDictionary *PackedTextDictionary::current()
{
    return made.load(std::memory_order_acquire);
}

const PackedTextDictionary *PackedTextDictionary::makeIfNone(QByteArrayView sample)
{
    if (const PackedTextDictionary *existing = current())
        return existing;
    if (sample.size() < minimumSize)
        return nullptr;
    auto *dictionary = new PackedTextDictionary(sample.first(std::min(sample.size(), maximumSize)));
    const PackedTextDictionary *expected = nullptr;
    if (!made.compare_exchange_strong(expected, dictionary, std::memory_order_acq_rel)) {
        delete dictionary; // another thread made one first
        return expected;
    }
    return dictionary;
}

PackedTextDictionary::PackedTextDictionary(QByteArrayView sample)
    : m_bytes(sample.data(), sample.size())
    , m_stream(LZ4_createStream())
{
    LZ4_loadDict(static_cast<LZ4_stream_t *>(m_stream), m_bytes.constData(), int(m_bytes.size()));
}

PackedTextDictionary::~PackedTextDictionary()
{
    LZ4_freeStream(static_cast<LZ4_stream_t *>(m_stream));
}

int PackedTextDictionary::compress(QByteArrayView source, char *destination, int capacity) const
{
    // Loading the dictionary hashes all of it; a copy of the loaded state is the
    // cheap way LZ4 offers to start each text from it.
    thread_local const std::unique_ptr<LZ4_stream_t, StreamDeleter> working(LZ4_createStream());
    std::memcpy(working.get(), m_stream, sizeof(LZ4_stream_t));
    return std::max(0, LZ4_compress_fast_continue(working.get(), source.data(), destination, int(source.size()),
                                                  capacity, 1));
}

int PackedTextDictionary::decompress(QByteArrayView compressed, char *destination, int capacity) const
{
    return LZ4_decompress_safe_usingDict(compressed.data(), destination, int(compressed.size()), capacity,
                                         destination - m_bytes.size(), int(m_bytes.size()));
}

int PackedTextDictionary::decompressAnywhere(QByteArrayView compressed, char *destination, int capacity) const
{
    return LZ4_decompress_safe_usingDict(compressed.data(), destination, int(compressed.size()), capacity,
                                         m_bytes.constData(), int(m_bytes.size()));
}

} // namespace tovik
