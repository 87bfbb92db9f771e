#pragma once

#include <QByteArray>

namespace tovik {

class PackedTextDictionary;

// A buffer packed texts are unpacked into, reused from text to text. For texts
// compressed with the dictionary it holds a copy of the dictionary in front of the
// text, made once and kept while the texts that follow need it.
class PackedTextScratch final
{
public:
    // Room for `size` bytes of text, right after the dictionary when there is one.
    char *prepare(const PackedTextDictionary *dictionary, qsizetype size);

private:
    QByteArray m_bytes;
    const PackedTextDictionary *m_inFront = nullptr;
};

} // namespace tovik
