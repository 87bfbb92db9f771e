#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace tovik {

// The forms under which words of a claim and of a page are compared when a
// passage is matched: already folded words are reduced to a key, so that
// "Revenues", "revenue" and a scan's "rnvenue"-like misreadings meet, and
// spelled-out numbers meet their digits. Every function is reentrant.
class PassageWordForms final
{
public:
    PassageWordForms() = delete;

    // The comparison key of one folded word token (letters and/or digits).
    static QString key(QStringView foldedWord);
    // The value of an English number word ("eleven", "fourth"), if it is one.
    static std::optional<int> numberWordValue(QStringView foldedWord);
    // The value of a run of Chinese numerals ("二〇二四", "一千二百萬"), if it is one.
    static std::optional<qint64> chineseNumberValue(QStringView run);
    // Whether a Chinese character takes part in written numbers.
    static bool isChineseNumeral(char32_t c);
    // Function words that say little about what a passage is about.
    static bool isCommon(QStringView key);
    // Keys one deletion away, for matching words a scan misread by one letter.
    static QStringList deletions(QStringView key);
};

} // namespace tovik
