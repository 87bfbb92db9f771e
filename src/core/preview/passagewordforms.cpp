#include "preview/passagewordforms.h"

#include <QHash>
#include <QSet>

namespace tovik {

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(QChar c)
{
    return c >= u'a' && c <= u'z';
}

bool allDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isAsciiDigit);
}

// "41,000" and "41000" are one number; a decimal point stays.
QString plainNumber(QStringView word)
{
    QString out;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word.at(i);
        if ((c == u',' || c == u'\'') && i > 0 && i + 1 < word.size() && isAsciiDigit(word.at(i + 1)))
            continue;
        out.append(c);
    }
    return out;
}

bool isNumeric(QStringView word)
{
    if (word.isEmpty() || !isAsciiDigit(word.front()))
        return false;
    return std::all_of(word.begin(), word.end(),
                       [](QChar c) { return isAsciiDigit(c) || c == u',' || c == u'.' || c == u'\''; });
}

// Letters a scan confuses, read the same way on both sides: "rn" for "m",
// "vv" for "w", and digits that stand inside words for the letters they resemble.
QString scanCanonical(QStringView word)
{
    QString out;
    out.reserve(word.size());
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word.at(i);
        if (c == u'r' && i + 1 < word.size() && word.at(i + 1) == u'n') {
            out.append(u'm');
            ++i;
        } else if (c == u'v' && i + 1 < word.size() && word.at(i + 1) == u'v') {
            out.append(u'w');
            ++i;
        } else if (c == u'1' || c == u'|') {
            out.append(u'l');
        } else if (c == u'0') {
            out.append(u'o');
        } else if (c == u'5') {
            out.append(u's');
        } else {
            out.append(c);
        }
    }
    return out;
}

// Plural endings only: on the labelled passages, also cutting -ing, -ed and -ly
// found no more passages and let two unsupported claims through.
QString stem(QString word)
{
    if (word.size() > 4 && word.endsWith(u"ies")) {
        word.chop(3);
        word.append(u'y');
    } else if (word.size() > 4
               && (word.endsWith(u"xes") || word.endsWith(u"ches") || word.endsWith(u"shes") || word.endsWith(u"sses"))) {
        word.chop(2);
    } else if (word.size() > 3 && word.endsWith(u's') && !word.endsWith(u"ss") && !word.endsWith(u"us")
               && !word.endsWith(u"is")) {
        word.chop(1);
    }
    return word;
}

const QHash<QString, int> &numberWords()
{
    static const QHash<QString, int> words = [] {
        QHash<QString, int> table;
        const char *const units[] = {"zero", "one", "two", "three", "four", "five", "six", "seven", "eight",
                                     "nine", "ten", "eleven", "twelve", "thirteen", "fourteen", "fifteen",
                                     "sixteen", "seventeen", "eighteen", "nineteen"};
        for (int i = 0; i < 20; ++i)
            table.insert(QString::fromLatin1(units[i]), i);
        const char *const tens[] = {"twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};
        for (int i = 0; i < 8; ++i)
            table.insert(QString::fromLatin1(tens[i]), (i + 2) * 10);
        const char *const ordinals[] = {"first", "second", "third", "fourth", "fifth", "sixth",
                                        "seventh", "eighth", "ninth", "tenth", "eleventh", "twelfth"};
        for (int i = 0; i < 12; ++i)
            table.insert(QString::fromLatin1(ordinals[i]), i + 1);
        table.insert(QStringLiteral("hundred"), 100);
        table.insert(QStringLiteral("thousand"), 1000);
        return table;
    }();
    return words;
}

int chineseDigit(char32_t c)
{
    switch (c) {
    case U'〇': case U'零': return 0;
    case U'一': return 1;
    case U'二': case U'兩': return 2;
    case U'三': return 3;
    case U'四': return 4;
    case U'五': return 5;
    case U'六': return 6;
    case U'七': return 7;
    case U'八': return 8;
    case U'九': return 9;
    default: return -1;
    }
}

qint64 chineseUnit(char32_t c)
{
    switch (c) {
    case U'十': return 10;
    case U'百': return 100;
    case U'千': return 1000;
    case U'萬': case U'万': return 10000;
    case U'億': case U'亿': return 100000000;
    default: return 0;
    }
}

} // namespace

std::optional<int> PassageWordForms::numberWordValue(QStringView foldedWord)
{
    const auto &words = numberWords();
    const auto found = words.constFind(foldedWord.toString());
    if (found == words.cend())
        return std::nullopt;
    return found.value();
}

QString PassageWordForms::key(QStringView foldedWord)
{
    if (isNumeric(foldedWord))
        return plainNumber(foldedWord);
    // "4th" is 4, as "fourth" is.
    if (foldedWord.size() > 2 && allDigits(foldedWord.chopped(2))) {
        const QStringView suffix = foldedWord.last(2);
        if (suffix == u"st" || suffix == u"nd" || suffix == u"rd" || suffix == u"th")
            return foldedWord.chopped(2).toString();
    }
    if (const auto value = numberWordValue(foldedWord))
        return QString::number(*value);
    QString word = foldedWord.toString();
    if (word.endsWith(u"'s") || word.endsWith(u"\u2019s"))
        word.chop(2);
    word.remove(u'\'');
    word.remove(QChar(0x2019));
    word = scanCanonical(word);
    if (!word.isEmpty() && std::all_of(word.cbegin(), word.cend(), isAsciiLetter))
        word = stem(word);
    return word;
}

bool PassageWordForms::isChineseNumeral(char32_t c)
{
    return chineseDigit(c) >= 0 || chineseUnit(c) > 0;
}

std::optional<qint64> PassageWordForms::chineseNumberValue(QStringView run)
{
    const QList<uint> codePoints = run.toUcs4();
    if (codePoints.isEmpty() || codePoints.size() > 18)
        return std::nullopt;
    bool hasUnit = false;
    for (uint c : codePoints) {
        if (!isChineseNumeral(c))
            return std::nullopt;
        hasUnit = hasUnit || chineseUnit(c) > 0;
    }
    if (!hasUnit) {
        // Digit by digit, as years are written: 二〇二四.
        qint64 value = 0;
        for (uint c : codePoints)
            value = value * 10 + chineseDigit(c);
        return value;
    }
    qint64 total = 0;
    qint64 section = 0;
    qint64 digit = 0;
    for (uint c : codePoints) {
        const int d = chineseDigit(c);
        if (d >= 0) {
            digit = d;
            continue;
        }
        const qint64 unit = chineseUnit(c);
        if (unit >= 10000) {
            // 一億二千萬: a smaller big unit counts within the larger one before it.
            if (total > 0 && total % (unit * 10) == 0 && unit < total)
                total += (section + digit) * unit;
            else
                total = (total + section + digit) * unit;
            section = 0;
        } else {
            section += (digit == 0 ? 1 : digit) * unit;
        }
        digit = 0;
    }
    return total + section + digit;
}

bool PassageWordForms::isCommon(QStringView foldedWord)
{
    static const QSet<QString> common = [] {
        QSet<QString> words;
        const char *const list[] = {
            "a", "an", "the", "and", "or", "but", "of", "to", "in", "on", "at", "by", "for", "from", "with",
            "as", "is", "are", "was", "were", "be", "been", "being", "it", "its", "this", "that", "these",
            "those", "there", "their", "they", "them", "he", "she", "his", "her", "we", "our", "you", "your",
            "has", "have", "had", "do", "does", "did", "will", "would", "can", "could", "should", "may",
            "might", "not", "no", "so", "than", "then", "also", "about", "into", "which", "who", "what",
            "when", "where", "how", "all", "any", "some", "such", "up", "out", "over", "after", "before",
            "while", "during", "per", "i", "s", "according", "says", "said", "states", "stated", "notes",
            "mentions", "mentioned", "report", "document", "page"};
        for (const char *word : list)
            words.insert(QString::fromLatin1(word));
        return words;
    }();
    return common.contains(foldedWord.toString());
}

QStringList PassageWordForms::deletions(QStringView key)
{
    QStringList out;
    out.reserve(key.size());
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (key.at(i).isSurrogate())
            continue;
        QString shorter = key.first(i).toString();
        shorter.append(key.sliced(i + 1));
        out.append(shorter);
    }
    return out;
}

} // namespace tovik
