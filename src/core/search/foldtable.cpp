#include "search/foldtable.h"

#include <QHash>

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <vector>

namespace tovik {

namespace {

// Table entry: the folded UTF-16 unit in the low 16 bits, or one of these flags.
constexpr quint32 removedFlag = 0x10000;
constexpr quint32 longerFlag = 0x20000;
constexpr quint32 highSurrogateFlag = 0x40000; // the code point needs the next unit too

bool isStrippedMark(UChar32 c)
{
    return u_charType(c) == U_NON_SPACING_MARK && u_hasBinaryProperty(c, UCHAR_DIACRITIC);
}

void stripMarks(icu::UnicodeString &text)
{
    icu::UnicodeString kept;
    for (int32_t i = 0; i < text.length();) {
        const UChar32 c = text.char32At(i);
        if (!isStrippedMark(c))
            kept.append(c);
        i += U16_LENGTH(c);
    }
    text = kept;
}

bool isWidthVariant(UChar32 c)
{
    const int type = u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE);
    return type == U_DT_WIDE || type == U_DT_NARROW;
}

struct Table
{
    std::vector<quint32> entries = std::vector<quint32>(0x10000);
    QHash<char16_t, QString> longer;

    explicit Table(FoldTable::Mode mode)
    {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2 *nfd = icu::Normalizer2::getNFDInstance(status);
        for (char32_t c = 0; c < 0x10000; ++c) {
            icu::UnicodeString unused;
            const bool unchanged = (c >= 0xD800 && c <= 0xDFFF)
                || (!u_hasBinaryProperty(UChar32(c), UCHAR_CHANGES_WHEN_CASEFOLDED)
                    && !isStrippedMark(UChar32(c))
                    && !(U_SUCCESS(status) && nfd->getDecomposition(UChar32(c), unused))
                    && !(mode == FoldTable::caseDiacriticsAndWidth && isWidthVariant(UChar32(c))));
            if (c >= 0xD800 && c <= 0xDBFF) {
                entries[c] = highSurrogateFlag | c;
                continue;
            }
            if (unchanged) {
                entries[c] = c;
                continue;
            }
            const QString folded = FoldTable::foldWithICU(c, mode);
            if (folded.isEmpty()) {
                entries[c] = removedFlag;
            } else if (folded.size() == 1) {
                entries[c] = folded.at(0).unicode();
            } else {
                entries[c] = longerFlag;
                longer.insert(char16_t(c), folded);
            }
        }
    }
};

const Table &table(FoldTable::Mode mode)
{
    static const Table plain(FoldTable::caseAndDiacritics);
    static const Table withWidth(FoldTable::caseDiacriticsAndWidth);
    return mode == FoldTable::caseAndDiacritics ? plain : withWidth;
}

} // namespace

QString FoldTable::foldWithICU(char32_t codePoint, Mode mode)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2 *nfd = icu::Normalizer2::getNFDInstance(status);
    const icu::Normalizer2 *nfc = icu::Normalizer2::getNFCInstance(status);
    const icu::Normalizer2 *nfkd = icu::Normalizer2::getNFKDInstance(status);
    if (U_FAILURE(status))
        return QString::fromUcs4(&codePoint, 1);

    const auto c = UChar32(codePoint);
    icu::UnicodeString text(c);
    if (mode == caseDiacriticsAndWidth && isWidthVariant(c)) {
        icu::UnicodeString narrow;
        if (nfkd->getDecomposition(c, narrow))
            text = narrow;
    }
    // Decompose so that accents become separate marks, drop them, fold case, and
    // repeat once because case folding can bring marks back (İ folds to i + U+0307).
    text = nfd->normalize(text, status);
    stripMarks(text);
    text.foldCase(U_FOLD_CASE_DEFAULT);
    text = nfd->normalize(text, status);
    stripMarks(text);
    text = nfc->normalize(text, status);
    if (U_FAILURE(status))
        return QString::fromUcs4(&codePoint, 1);
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

void FoldTable::appendFolded(QString &out, char32_t codePoint, Mode mode, bool turkic)
{
    // Turkish and Azerbaijani pair I with dotless ı; everything else folds as in the root locale.
    if (turkic && codePoint == U'I') {
        out.append(QChar(0x0131));
        return;
    }
    if (codePoint >= 0x10000) {
        out.append(foldWithICU(codePoint, mode));
        return;
    }
    const Table &t = table(mode);
    const quint32 entry = t.entries[codePoint];
    if (entry & removedFlag)
        return;
    if (entry & longerFlag)
        out.append(t.longer.value(char16_t(codePoint)));
    else
        out.append(QChar(char16_t(entry))); // also a lone surrogate, as it is
}

QString FoldTable::fold(QStringView text, Mode mode, bool turkic)
{
    // Most characters fold to exactly one unit: write those straight into the
    // result and take the slower road only for the rest.
    const Table &t = table(mode);
    const qsizetype size = text.size();
    const char16_t *source = text.utf16();
    QString out(size, Qt::Uninitialized);
    char16_t *target = reinterpret_cast<char16_t *>(out.data());
    qsizetype written = 0;
    qsizetype i = 0;
    for (; i < size; ++i) {
        const char16_t unit = source[i];
        const quint32 entry = t.entries[unit];
        if (entry >= 0x10000 || (turkic && unit == u'I'))
            break;
        target[written++] = char16_t(entry);
    }
    if (i == size)
        return out;

    out.resize(written);
    for (; i < size; ++i) {
        const char16_t unit = source[i];
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(source[i + 1])) {
            appendFolded(out, QChar::surrogateToUcs4(unit, source[i + 1]), mode, turkic);
            ++i;
        } else {
            appendFolded(out, unit, mode, turkic);
        }
    }
    return out;
}

bool FoldTable::foldOneToOne(QStringView text, Mode mode, bool turkic, QString &out)
{
    const Table &t = table(mode);
    const qsizetype size = text.size();
    const char16_t *source = text.utf16();
    out.resize(size);
    char16_t *target = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = source[i];
        const quint32 entry = t.entries[unit];
        if (entry >= 0x10000 || (turkic && unit == u'I'))
            return false;
        target[i] = char16_t(entry);
    }
    return true;
}

bool FoldTable::foldsByLoweringAscii(QStringView text, Mode mode, bool turkic)
{
    const Table &t = table(mode);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        const quint32 entry = t.entries[unit];
        if (entry == unit)
            continue;
        const bool capital = unit >= u'A' && unit <= u'Z' && !(turkic && unit == u'I');
        if (!capital || entry != quint32(unit) + 0x20)
            return false;
    }
    return true;
}

} // namespace tovik
