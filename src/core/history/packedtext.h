#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace tovik {

class PackedTextScratch;

// A saved text kept small in memory, for a history of many thousands of answers.
// It is held as UTF-8 when that is shorter than UTF-16 (most English text), as UTF-16
// otherwise (most Chinese text, and any text UTF-8 cannot carry exactly, such as a lone
// surrogate), and LZ4-compressed when that saves a quarter or more, with the process's
// dictionary once there is one. Reading it back always gives the exact text it was
// made from. Immutable; copies share the bytes.
class PackedText final
{
public:
    enum class Form : quint8 { utf16, utf8, compressedUtf8, compressedUtf8WithDictionary };

    PackedText() = default;
    // Any text can stand where a packed one is wanted; packing copies it once.
    PackedText(const QString &text) // NOLINT(google-explicit-constructor)
        : PackedText(fromString(text))
    {
    }
    static PackedText fromString(QStringView text);
    // SQLite hands texts over as UTF-8; bytes that are not well-formed UTF-8 are read
    // as QString::fromUtf8 reads them.
    static PackedText fromUtf8(QByteArrayView utf8);

    QString toString() const;
    // UTF-8 of a packed text read back as the text it was made from.
    static QString stringFromUtf8(QByteArrayView utf8);
    // The text as UTF-8, unpacked into `scratch` when compressed. Empty for the UTF-16 form.
    QByteArrayView utf8(PackedTextScratch &scratch) const;
    // The text itself in the UTF-16 form; empty otherwise.
    QStringView utf16() const;

    Form form() const { return m_form; }
    bool isCompressed() const { return m_form == Form::compressedUtf8 || m_form == Form::compressedUtf8WithDictionary; }
    bool isEmpty() const { return m_length == 0; }
    qsizetype length() const { return m_length; } // in UTF-16 units
    qsizetype storedBytes() const { return m_bytes.size(); }
    // Where the bytes live: equal for copies of one text, and never reused while a copy lives.
    const void *storage() const { return m_bytes.constData(); }

    friend bool operator==(const PackedText &a, const PackedText &b);

private:
    // Packs `utf8` compressed when that is at most three quarters of `smallestPlain` bytes.
    bool compress(QByteArrayView utf8, qsizetype smallestPlain);

    QByteArray m_bytes;
    qsizetype m_length = 0;   // UTF-16 units
    qsizetype m_utf8Size = 0; // bytes once unpacked; for the UTF-8 forms
    Form m_form = Form::utf8;
};

} // namespace tovik
