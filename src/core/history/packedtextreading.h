#pragma once

#include "history/packedtext.h"
#include "history/packedtextscratch.h"

namespace tovik {

// A packed text while a search looks at it: unpacked at most once, on first use, into a
// buffer the caller reuses from text to text.
class PackedTextReading final
{
public:
    PackedTextReading(const PackedText &text, PackedTextScratch &scratch)
        : m_text(text)
        , m_scratch(scratch)
    {
    }
    // The text is read where it is: it must outlive the reading.
    PackedTextReading(PackedText &&text, PackedTextScratch &scratch) = delete;

    const PackedText &text() const { return m_text; }
    // Empty for a text packed as UTF-16.
    QByteArrayView utf8()
    {
        if (!m_unpacked) {
            m_utf8 = m_text.utf8(m_scratch);
            m_unpacked = true;
        }
        return m_utf8;
    }

    // The whole text, from what is already unpacked.
    QString toString()
    {
        return m_text.form() == PackedText::Form::utf16 ? m_text.utf16().toString() : PackedText::stringFromUtf8(utf8());
    }

private:
    const PackedText &m_text;
    PackedTextScratch &m_scratch;
    QByteArrayView m_utf8;
    bool m_unpacked = false;
};

} // namespace tovik
