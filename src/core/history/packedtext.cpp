#include "history/packedtext.h"

#include "history/packedtextdictionary.h"
#include "history/packedtextreading.h"
#include "history/packedtextscratch.h"

#include <QStringDecoder>

#include <lz4.h>

#include <cstring>

namespace tovik {

namespace {

// Texts shorter than this are not worth a compression attempt.
constexpr qsizetype compressFrom = 64;

// The UTF-16 length of well-formed UTF-8, or -1 when the bytes are not that.
qsizetype utf16LengthOf(QByteArrayView utf8)
{
    const auto *p = reinterpret_cast<const uchar *>(utf8.data());
    const auto *const end = p + utf8.size();
    qsizetype length = 0;
    while (p < end) {
        // Runs of ASCII eight bytes at a time.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ULL)
                break;
            p += 8;
            length += 8;
        }
        if (p == end)
            break;
        const uchar lead = *p;
        if (lead < 0x80) {
            ++p;
            ++length;
            continue;
        }
        // Well-formed sequences as Unicode lists them: no overlong forms, no surrogates,
        // nothing past U+10FFFF.
        int extra = 0;
        uchar low = 0x80;
        uchar high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
        } else if (lead == 0xE0) {
            extra = 2;
            low = 0xA0;
        } else if (lead == 0xED) {
            extra = 2;
            high = 0x9F;
        } else if (lead >= 0xE1 && lead <= 0xEF) {
            extra = 2;
        } else if (lead == 0xF0) {
            extra = 3;
            low = 0x90;
        } else if (lead >= 0xF1 && lead <= 0xF3) {
            extra = 3;
        } else if (lead == 0xF4) {
            extra = 3;
            high = 0x8F;
        } else {
            return -1;
        }
        if (end - p < extra + 1 || p[1] < low || p[1] > high)
            return -1;
        for (int i = 2; i <= extra; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return -1;
        }
        p += extra + 1;
        length += extra == 3 ? 2 : 1;
    }
    return length;
}

// The UTF-8 size of `text`, or -1 when UTF-8 cannot carry it exactly (a lone surrogate).
qsizetype utf8SizeOf(QStringView text)
{
    qsizetype size = 0;
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            size += 1;
        } else if (unit < 0x800) {
            size += 2;
        } else if (QChar::isHighSurrogate(unit)) {
            if (i + 1 == length || !QChar::isLowSurrogate(text[i + 1].unicode()))
                return -1;
            size += 4;
            ++i;
        } else if (QChar::isLowSurrogate(unit)) {
            return -1;
        } else {
            size += 3;
        }
    }
    return size;
}

QByteArray exactCopy(QByteArrayView bytes)
{
    return QByteArray(bytes.data(), bytes.size());
}

} // namespace

PackedText PackedText::fromString(QStringView text)
{
    PackedText packed;
    packed.m_length = text.size();
    const qsizetype utf8Size = utf8SizeOf(text);
    const qsizetype utf16Size = text.size() * qsizetype(sizeof(char16_t));
    if (utf8Size >= 0 && (utf8Size <= utf16Size || utf8Size >= compressFrom)) {
        const QByteArray utf8 = text.toUtf8();
        packed.m_utf8Size = utf8.size();
        if (packed.compress(utf8, std::min(utf8Size, utf16Size)))
            return packed;
        if (utf8Size <= utf16Size) {
            packed.m_form = Form::utf8;
            packed.m_bytes = exactCopy(utf8);
            return packed;
        }
    }
    packed.m_form = Form::utf16;
    packed.m_utf8Size = 0;
    packed.m_bytes = exactCopy(QByteArrayView(reinterpret_cast<const char *>(text.utf16()), utf16Size));
    return packed;
}

PackedText PackedText::fromUtf8(QByteArrayView utf8)
{
    const qsizetype length = utf16LengthOf(utf8);
    // QString::fromUtf8 also drops a leading byte order mark.
    if (length < 0 || utf8.size() > length * qsizetype(sizeof(char16_t)) || utf8.startsWith("\xEF\xBB\xBF"))
        return fromString(QString::fromUtf8(utf8));
    PackedText packed;
    packed.m_length = length;
    packed.m_utf8Size = utf8.size();
    if (!packed.compress(utf8, utf8.size())) {
        packed.m_form = Form::utf8;
        packed.m_bytes = exactCopy(utf8);
    }
    return packed;
}

bool PackedText::compress(QByteArrayView utf8, qsizetype smallestPlain)
{
    if (utf8.size() < compressFrom || utf8.size() > LZ4_MAX_INPUT_SIZE)
        return false;
    // Kept only when it saves a quarter: every search unpacks it again. LZ4 gives up
    // as soon as its output would not fit that.
    const qsizetype limit = smallestPlain / 4 * 3;
    thread_local QByteArray buffer;
    if (buffer.size() < limit)
        buffer.resize(limit);
    const PackedTextDictionary *dictionary = PackedTextDictionary::current();
    const int size = dictionary ? dictionary->compress(utf8, buffer.data(), int(limit))
                                : LZ4_compress_default(utf8.data(), buffer.data(), int(utf8.size()), int(limit));
    if (size > 0) {
        m_form = dictionary ? Form::compressedUtf8WithDictionary : Form::compressedUtf8;
        m_bytes = exactCopy(QByteArrayView(buffer.constData(), size));
    }
    if (buffer.size() > (qsizetype(1) << 20))
        buffer = QByteArray(); // one huge answer should not stay on in every thread
    return size > 0;
}

QByteArrayView PackedText::utf8(PackedTextScratch &scratch) const
{
    int size = 0;
    char *text = nullptr;
    switch (m_form) {
    case Form::utf16:
        return {};
    case Form::utf8:
        return m_bytes;
    case Form::compressedUtf8:
        text = scratch.prepare(nullptr, m_utf8Size);
        size = LZ4_decompress_safe(m_bytes.constData(), text, int(m_bytes.size()), int(m_utf8Size));
        break;
    case Form::compressedUtf8WithDictionary: {
        // A text is packed this way only once the dictionary is there, and it stays.
        const PackedTextDictionary *dictionary = PackedTextDictionary::current();
        text = scratch.prepare(dictionary, m_utf8Size);
        size = dictionary->decompress(m_bytes, text, int(m_utf8Size));
        break;
    }
    }
    Q_ASSERT(size == m_utf8Size);
    return QByteArrayView(text, std::max(size, 0));
}

QStringView PackedText::utf16() const
{
    if (m_form != Form::utf16)
        return {};
    return QStringView(reinterpret_cast<const char16_t *>(m_bytes.constData()), m_length);
}

QString PackedText::toString() const
{
    if (m_form == Form::compressedUtf8WithDictionary) {
        QByteArray utf8(m_utf8Size, Qt::Uninitialized);
        const int size = PackedTextDictionary::current()->decompressAnywhere(m_bytes, utf8.data(), int(m_utf8Size));
        Q_ASSERT(size == m_utf8Size);
        return stringFromUtf8(QByteArrayView(utf8).first(std::max(size, 0)));
    }
    PackedTextScratch scratch;
    return PackedTextReading(*this, scratch).toString();
}

QString PackedText::stringFromUtf8(QByteArrayView utf8)
{
    // Unlike QString::fromUtf8, keeps a byte order mark the text begins with.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

bool operator==(const PackedText &a, const PackedText &b)
{
    if (a.m_length != b.m_length)
        return false;
    // Copies share their bytes, and one text always packs to the same form and bytes,
    // but for one case: packed before the dictionary was made and again after it, a
    // text may be kept plain or compressed without it, and compressed with it.
    if (a.m_form == b.m_form)
        return a.m_bytes.constData() == b.m_bytes.constData() || a.m_bytes == b.m_bytes;
    if (!a.isCompressed() && !b.isCompressed())
        return false;
    return a.toString() == b.toString();
}

} // namespace tovik
