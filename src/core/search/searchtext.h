#pragma once

#include "search/textspan.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace tovik {

// The text operations of history search, in one place on top of ICU.
//
// "Ignoring case and diacritics" means comparing folded forms: canonical
// decomposition, combining diacritics dropped, full Unicode case folding. The
// locale-aware variants fold case as the current locale does (only Turkish and
// Azerbaijani differ, pairing I with ı); the locale-free ones fold as the root
// locale. Width folding (full-width Ａ to A, half-width ｶ to カ) is applied only
// where asked, by fold().
//
// "Characters" are user-perceived characters (grapheme clusters), so a count or
// a cut never splits a surrogate pair or an accent from its letter.
//
// Everything here is reentrant and may run on any thread.
class SearchText final
{
public:
    SearchText() = delete;

    // White space and line breaks removed from both ends.
    static QString trimmed(QStringView text);

    // Case-, diacritic- and width-insensitive folding in the current locale.
    static QString fold(QStringView text);
    // Case- and diacritic-insensitive folding in the current locale.
    static QString foldCaseAndDiacritics(QStringView text);

    // Whether `text` contains `needle`, ignoring case and diacritics, in the
    // current locale. An empty needle is contained in nothing.
    static bool localizedStandardContains(QStringView text, QStringView needle);
    // The same with an already folded needle (foldCaseAndDiacritics) and text.
    static bool containsFolded(QStringView foldedText, QStringView foldedNeedle);
    // The same on a text that folding would change only by lowering its ASCII
    // capitals (FoldTable::foldsByLoweringAscii), searched as it is.
    static bool containsFoldedInAsciiCased(QStringView text, QStringView foldedNeedle);
    // The same over well-formed UTF-8, with the folded needle in UTF-8.
    static bool containsFoldedInAsciiCased(QByteArrayView utf8, QByteArrayView foldedNeedleUtf8);
    // `text` with its ASCII capitals lowered and nothing else changed: the folded form
    // of a text of that kind.
    static QString lowerAsciiCapitals(QString text);
    // Whether `text` contains `needle`, ignoring case and diacritics, without locale.
    static bool containsIgnoringCaseAndDiacritics(QStringView text, QStringView needle);
    // The earliest occurrence of `needle` at or after `from`, ignoring case and
    // diacritics, without locale; as a range of `text`.
    static std::optional<TextSpan> find(QStringView text, QStringView needle, qsizetype from = 0);
    // Every occurrence from the start, each search continuing after the previous match.
    static QList<TextSpan> occurrences(QStringView text, QStringView needle);

    // The word tokens of a text, in order: ICU's word break iterator (dictionary
    // based for Chinese and Japanese), keeping the segments that hold letters,
    // numbers, kana or ideographs and leaving out spaces and punctuation.
    static QStringList wordTokens(QStringView text);
    // The same tokens as spans of `text`.
    static QList<TextSpan> wordSpans(QStringView text);

    // Unicode general categories L* and N*.
    static bool isLetter(char32_t codePoint);
    static bool isNumber(char32_t codePoint);
    static bool containsLetter(QStringView text);
    static bool containsLetterOrNumber(QStringView text);

    // Number of characters.
    static qsizetype characterCount(QStringView text);
    // The first `count` characters (all of the text when it has fewer).
    static QString leadingCharacters(QStringView text, qsizetype count);
    // Position where the `count` characters that end at `position` begin.
    static qsizetype stepBackCharacters(QStringView text, qsizetype position, qsizetype count);
    // Position where the `count` characters that start at `position` end.
    static qsizetype stepForwardCharacters(QStringView text, qsizetype position, qsizetype count);
};

} // namespace tovik
