#include "search/searchtext.h"

#include "search/foldedtext.h"
#include "search/foldtable.h"

#include <QLocale>
#include <QtAlgorithms>
#include <QTextBoundaryFinder>

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tovik {

namespace {

bool currentLocaleIsTurkic()
{
    const QLocale::Language language = QLocale().language();
    return language == QLocale::Turkish || language == QLocale::Azerbaijani;
}

// Creating a word break iterator loads its rules and dictionaries; keep one per thread.
icu::BreakIterator *wordIterator()
{
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> created(
            icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status))
            created.reset();
        return created;
    }();
    return iterator.get();
}

icu::UnicodeString aliasOf(QStringView text)
{
    return icu::UnicodeString(false, reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
}

// Grapheme steps look at a window around the position first; a window edge that
// could split a long cluster sends the walk to the whole text.
constexpr qsizetype windowMargin = 64;

// A unit that is a whole character on its own and never joins the one before
// it (no marks, joiners, surrogates, CR or Hangul jamo): across a run of such
// units, characters are units and grapheme clustering can be skipped.
bool isSimpleUnit(char16_t unit)
{
    return (unit >= 0x20 && unit < 0x7F) || unit == u'\n' || (unit >= 0xA0 && unit < 0x300)
        || (unit >= 0x3000 && unit < 0x302A) || (unit >= 0x3030 && unit < 0x3099) || (unit >= 0x309B && unit < 0xA000)
        || (unit >= 0xFF01 && unit < 0xFF9E);
}

bool allSimple(QStringView text, qsizetype from, qsizetype to)
{
    for (qsizetype i = qMax<qsizetype>(0, from); i < qMin(to, text.size()); ++i) {
        if (!isSimpleUnit(text.at(i).unicode()))
            return false;
    }
    return true;
}

// How rare an ASCII character is in text, by English letter frequencies; a space is
// the most common.
int asciiRarity(uchar unit)
{
    static constexpr auto rarities = [] {
        std::array<signed char, 128> table{};
        table.fill(50);
        table[' '] = -1;
        constexpr char byFrequency[] = "etaoinsrhldcumfpgwybvkxjqz";
        for (int rank = 0; byFrequency[rank]; ++rank)
            table[std::size_t(byFrequency[rank])] = static_cast<signed char>(rank);
        return table;
    }();
    return rarities[unit & 0x7F];
}

// The position of the needle's unit of highest rarity; 100 is as rare as it gets.
template<typename View, typename Rarity>
qsizetype rarestOf(View needle, Rarity rarity)
{
    qsizetype best = 0;
    int bestRarity = rarity(needle.at(0));
    for (qsizetype i = 1; i < needle.size() && bestRarity < 100; ++i) {
        const int r = rarity(needle.at(i));
        if (r > bestRarity) {
            best = i;
            bestRarity = r;
        }
    }
    return best;
}

// Where in a needle the least common character is; anything beyond ASCII counts as rare.
qsizetype rarestPosition(QStringView needle)
{
    return rarestOf(needle, [](QChar c) { return c.unicode() >= 0x80 ? 100 : asciiRarity(uchar(c.unicode())); });
}

// The same for UTF-8: the bytes of a longer character are rare in English text, and the
// bytes after its first one (which vary most) rarer still.
qsizetype rarestPosition(QByteArrayView needle)
{
    return rarestOf(needle, [](char c) {
        const auto byte = uchar(c);
        return byte >= 0xC0 ? 90 : byte >= 0x80 ? 100 : asciiRarity(byte);
    });
}

char16_t unitOf(QChar c)
{
    return c.unicode();
}

uchar unitOf(char c)
{
    return uchar(c);
}

char16_t lowerAscii(char16_t unit)
{
    return unit >= u'A' && unit <= u'Z' ? char16_t(unit + 0x20) : unit;
}

// Whether `text` is `foldedNeedle` once its ASCII capitals are lowered (UTF-16 or UTF-8).
template<typename View>
bool equalsLoweringAscii(View text, View foldedNeedle)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (lowerAscii(unitOf(text.at(i))) != unitOf(foldedNeedle.at(i)))
            return false;
    }
    return true;
}

// The first unit at or after `from` that is the ASCII small letter `small` or its
// capital: the two differ only in bit 5, so setting that bit finds both at once.
// Units are UTF-16 (eight to a vector) or UTF-8 bytes (sixteen).
template<typename Unit>
qsizetype indexOfEitherCase(const Unit *units, qsizetype size, Unit small, qsizetype from)
{
    static_assert(sizeof(Unit) == 1 || sizeof(Unit) == 2);
    qsizetype i = from;
#ifdef __SSE2__
    constexpr qsizetype lanes = 16 / sizeof(Unit);
    const __m128i caseBit = sizeof(Unit) == 1 ? _mm_set1_epi8(0x20) : _mm_set1_epi16(0x20);
    const __m128i wanted = sizeof(Unit) == 1 ? _mm_set1_epi8(char(small)) : _mm_set1_epi16(short(small));
    for (; i + lanes <= size; i += lanes) {
        const __m128i block = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(units + i)), caseBit);
        const __m128i equal = sizeof(Unit) == 1 ? _mm_cmpeq_epi8(block, wanted) : _mm_cmpeq_epi16(block, wanted);
        if (const int hits = _mm_movemask_epi8(equal))
            return i + qsizetype(qCountTrailingZeroBits(uint(hits)) / sizeof(Unit));
    }
#endif
    for (; i < size; ++i) {
        if (Unit(units[i] | 0x20) == small)
            return i;
    }
    return -1;
}

// Whether `text` holds `foldedNeedle`: the needle's rarest unit is looked for with
// `findAnchor(unit, from)`, and only there is the text compared, with `matches`.
template<typename View, typename FindAnchor, typename Matches>
bool containsAnchored(View text, View foldedNeedle, FindAnchor findAnchor, Matches matches)
{
    const qsizetype length = foldedNeedle.size();
    if (length == 0 || length > text.size())
        return false;
    const qsizetype anchor = rarestPosition(foldedNeedle);
    const auto anchorUnit = unitOf(foldedNeedle.at(anchor));
    const qsizetype lastStart = text.size() - length;
    for (qsizetype from = anchor; from <= lastStart + anchor;) {
        const qsizetype at = findAnchor(anchorUnit, from);
        if (at < 0 || at - anchor > lastStart)
            return false;
        if (matches(text.sliced(at - anchor, length)))
            return true;
        from = at + 1;
    }
    return false;
}

} // namespace

QString SearchText::trimmed(QStringView text)
{
    return text.trimmed().toString();
}

QString SearchText::fold(QStringView text)
{
    return FoldTable::fold(text, FoldTable::caseDiacriticsAndWidth, currentLocaleIsTurkic());
}

QString SearchText::foldCaseAndDiacritics(QStringView text)
{
    return FoldTable::fold(text, FoldTable::caseAndDiacritics, currentLocaleIsTurkic());
}

bool SearchText::localizedStandardContains(QStringView text, QStringView needle)
{
    if (needle.isEmpty() || text.isEmpty())
        return false;
    const bool turkic = currentLocaleIsTurkic();
    const QString foldedNeedle = FoldTable::fold(needle, FoldTable::caseAndDiacritics, turkic);
    return containsFolded(FoldTable::fold(text, FoldTable::caseAndDiacritics, turkic), foldedNeedle);
}

bool SearchText::containsFolded(QStringView foldedText, QStringView foldedNeedle)
{
    // The filter runs this over every saved text on every keystroke. Scanning
    // for the needle's least common character (a vectorized character search)
    // and comparing only there beats a general substring search on such texts.
    return containsAnchored(
        foldedText, foldedNeedle, [&](char16_t unit, qsizetype from) { return foldedText.indexOf(QChar(unit), from); },
        [&](QStringView candidate) { return candidate == foldedNeedle; });
}

bool SearchText::containsFoldedInAsciiCased(QStringView text, QStringView foldedNeedle)
{
    // A small letter as the anchor is found together with its capital.
    return containsAnchored(
        text, foldedNeedle,
        [&](char16_t unit, qsizetype from) {
            return unit >= u'a' && unit <= u'z' ? indexOfEitherCase(text.utf16(), text.size(), unit, from)
                                                : text.indexOf(QChar(unit), from);
        },
        [&](QStringView candidate) { return equalsLoweringAscii(candidate, foldedNeedle); });
}

bool SearchText::containsFoldedInAsciiCased(QByteArrayView utf8, QByteArrayView foldedNeedleUtf8)
{
    // Lowering ASCII capitals never touches the bytes of a longer UTF-8 character, and a
    // whole needle found in well-formed text starts and ends on character boundaries.
    return containsAnchored(
        utf8, foldedNeedleUtf8,
        [&](uchar unit, qsizetype from) {
            return unit >= 'a' && unit <= 'z'
                ? indexOfEitherCase(reinterpret_cast<const uchar *>(utf8.data()), utf8.size(), unit, from)
                : utf8.indexOf(char(unit), from);
        },
        [&](QByteArrayView candidate) { return equalsLoweringAscii(candidate, foldedNeedleUtf8); });
}

QString SearchText::lowerAsciiCapitals(QString text)
{
    for (QChar &c : text)
        c = QChar(lowerAscii(c.unicode()));
    return text;
}

bool SearchText::containsIgnoringCaseAndDiacritics(QStringView text, QStringView needle)
{
    if (needle.isEmpty() || text.isEmpty())
        return false;
    const QString foldedNeedle = FoldTable::fold(needle, FoldTable::caseAndDiacritics, false);
    return containsFolded(FoldTable::fold(text, FoldTable::caseAndDiacritics, false), foldedNeedle);
}

std::optional<TextSpan> SearchText::find(QStringView text, QStringView needle, qsizetype from)
{
    if (needle.isEmpty() || text.isEmpty())
        return std::nullopt;
    const FoldedText folded(text, FoldTable::caseAndDiacritics, false);
    return folded.find(FoldTable::fold(needle, FoldTable::caseAndDiacritics, false), from);
}

QList<TextSpan> SearchText::occurrences(QStringView text, QStringView needle)
{
    QList<TextSpan> found;
    if (needle.isEmpty() || text.isEmpty())
        return found;
    const FoldedText folded(text, FoldTable::caseAndDiacritics, false);
    const QString foldedNeedle = FoldTable::fold(needle, FoldTable::caseAndDiacritics, false);
    qsizetype from = 0;
    while (const auto range = folded.find(foldedNeedle, from)) {
        found.append(*range);
        // A match always covers at least one character, so the walk moves on.
        from = range->end;
    }
    return found;
}

QStringList SearchText::wordTokens(QStringView text)
{
    QStringList tokens;
    for (const TextSpan &span : wordSpans(text))
        tokens.append(text.sliced(span.start, span.length()).toString());
    return tokens;
}

QList<TextSpan> SearchText::wordSpans(QStringView text)
{
    QList<TextSpan> spans;
    icu::BreakIterator *iterator = wordIterator();
    if (!iterator || text.isEmpty())
        return spans;
    const icu::UnicodeString alias = aliasOf(text);
    iterator->setText(alias);
    int32_t start = iterator->first();
    for (int32_t end = iterator->next(); end != icu::BreakIterator::DONE; start = end, end = iterator->next()) {
        // Rule statuses below UBRK_WORD_NONE_LIMIT mark spaces and punctuation.
        if (iterator->getRuleStatus() >= UBRK_WORD_NONE_LIMIT)
            spans.append(TextSpan{start, end});
    }
    // Leave no dangling alias to the caller's text behind.
    iterator->setText(icu::UnicodeString());
    return spans;
}

bool SearchText::isLetter(char32_t codePoint)
{
    return (U_GET_GC_MASK(UChar32(codePoint)) & U_GC_L_MASK) != 0;
}

bool SearchText::isNumber(char32_t codePoint)
{
    return (U_GET_GC_MASK(UChar32(codePoint)) & U_GC_N_MASK) != 0;
}

bool SearchText::containsLetter(QStringView text)
{
    for (char32_t c : text.toUcs4())
        if (isLetter(c))
            return true;
    return false;
}

bool SearchText::containsLetterOrNumber(QStringView text)
{
    for (char32_t c : text.toUcs4())
        if (isLetter(c) || isNumber(c))
            return true;
    return false;
}

qsizetype SearchText::characterCount(QStringView text)
{
    if (text.isEmpty())
        return 0;
    if (allSimple(text, 0, text.size()))
        return text.size();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

QString SearchText::leadingCharacters(QStringView text, qsizetype count)
{
    return text.first(stepForwardCharacters(text, 0, count)).toString();
}

qsizetype SearchText::stepBackCharacters(QStringView text, qsizetype position, qsizetype count)
{
    // The unit before the run must be simple too, or it might join the run's first one.
    const qsizetype start = qMax<qsizetype>(0, position - count);
    if (allSimple(text, start - 1, position))
        return start;
    const qsizetype windowStart = qMax<qsizetype>(0, position - count * 4 - windowMargin);
    const QStringView window = text.sliced(windowStart, position - windowStart);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window);
    finder.toEnd();
    qsizetype at = window.size();
    for (qsizetype step = 0; step < count && at > 0; ++step)
        at = finder.toPreviousBoundary();
    if (at <= 0 && windowStart > 0) {
        // The window was too short to hold `count` characters: walk the whole text.
        QTextBoundaryFinder whole(QTextBoundaryFinder::Grapheme, text.first(position));
        whole.toEnd();
        qsizetype wholeAt = position;
        for (qsizetype step = 0; step < count && wholeAt > 0; ++step)
            wholeAt = whole.toPreviousBoundary();
        return qMax<qsizetype>(0, wholeAt);
    }
    return windowStart + qMax<qsizetype>(0, at);
}

qsizetype SearchText::stepForwardCharacters(QStringView text, qsizetype position, qsizetype count)
{
    // The unit after the run must be simple too, or it might join the run's last one.
    const qsizetype end = qMin(text.size(), position + count);
    if (allSimple(text, position, end + 1))
        return end;
    const qsizetype windowEnd = qMin(text.size(), position + count * 4 + windowMargin);
    const QStringView window = text.sliced(position, windowEnd - position);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window);
    qsizetype at = 0;
    for (qsizetype step = 0; step < count && at >= 0 && at < window.size(); ++step)
        at = finder.toNextBoundary();
    if (at < 0)
        at = window.size();
    if (at >= window.size() && windowEnd < text.size()) {
        QTextBoundaryFinder whole(QTextBoundaryFinder::Grapheme, text.sliced(position));
        qsizetype wholeAt = 0;
        for (qsizetype step = 0; step < count && wholeAt >= 0 && wholeAt < text.size() - position; ++step)
            wholeAt = whole.toNextBoundary();
        return position + (wholeAt < 0 ? text.size() - position : wholeAt);
    }
    return position + at;
}

} // namespace tovik
