#include "history/packedtextscratch.h"

#include "history/packedtextdictionary.h"

#include <cstring>

namespace tovik {

char *PackedTextScratch::prepare(const PackedTextDictionary *dictionary, qsizetype size)
{
    constexpr qsizetype keptAtMost = qsizetype(1) << 20;
    const qsizetype offset = dictionary ? dictionary->bytes().size() : 0;
    if (offset + size > m_bytes.size()) {
        m_bytes.resize(offset + size); // keeps what is in front
    } else if (m_bytes.size() > keptAtMost && offset + size <= keptAtMost) {
        // One huge text should not keep its buffer for all the small ones after it.
        m_bytes = QByteArray(offset + size, Qt::Uninitialized);
        m_inFront = nullptr;
    }
    if (dictionary && m_inFront != dictionary) {
        std::memcpy(m_bytes.data(), dictionary->bytes().data(), size_t(offset));
        m_inFront = dictionary;
    } else if (!dictionary) {
        m_inFront = nullptr; // the text goes where the dictionary was
    }
    return m_bytes.data() + offset;
}

} // namespace tovik
