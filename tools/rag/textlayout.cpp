#include "textlayout.h"

#include <QSet>

#include <algorithm>

namespace ragtool::text {

bool isCjkLetter(char32_t c)
{
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF)
        || (c >= 0x20000 && c <= 0x3FFFF) || (c >= 0x3040 && c <= 0x30FF) || c == 0x3005 || c == 0x3007;
}

bool isWide(char32_t c)
{
    return isCjkLetter(c) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF);
}

namespace {

char32_t firstCodePoint(const QString &s)
{
    if (s.isEmpty())
        return 0;
    const QList<uint> ucs = s.left(2).toUcs4();
    return ucs.isEmpty() ? 0 : char32_t(ucs.first());
}

char32_t lastCodePoint(const QString &s)
{
    if (s.isEmpty())
        return 0;
    const QList<uint> ucs = s.right(2).toUcs4();
    return ucs.isEmpty() ? 0 : char32_t(ucs.last());
}

bool isDropped(char32_t c)
{
    return (c < 0x20 && c != '\n') || c == 0x7F || c == 0xAD || (c >= 0x200B && c <= 0x200D) || c == 0xFEFF;
}

bool isBlank(char32_t c)
{
    return c == ' ' || c == '\t' || c == 0xA0 || c == 0x3000 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F
        || c == 0x205F;
}

// One line: blanks collapsed, and none left between two wide characters (text
// recognition puts spaces between Chinese characters).
QString cleanLine(const std::u32string &line)
{
    std::u32string out;
    bool pendingBlank = false;
    for (char32_t c : line) {
        if (isBlank(c)) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank && !(isWide(out.back()) && isWide(c)))
            out.push_back(U' ');
        pendingBlank = false;
        out.push_back(c);
    }
    return QString::fromUcs4(out.data(), qsizetype(out.size()));
}

bool endsSentence(const QString &before)
{
    // Titles and common abbreviations end with a point but not a sentence.
    static const QSet<QString> abbreviations = {
        QStringLiteral("mr"), QStringLiteral("mrs"), QStringLiteral("ms"), QStringLiteral("dr"),
        QStringLiteral("st"), QStringLiteral("no"), QStringLiteral("vs"), QStringLiteral("etc"),
        QStringLiteral("e.g"), QStringLiteral("i.e"), QStringLiteral("fig"), QStringLiteral("p"),
        QStringLiteral("co"), QStringLiteral("inc"), QStringLiteral("ltd")};
    const qsizetype space = before.lastIndexOf(QLatin1Char(' '));
    const QString word = before.mid(space + 1).toLower();
    if (word.size() == 1 && word.at(0).isLetter())
        return false;
    return !abbreviations.contains(word);
}

bool isClosing(char32_t c)
{
    return c == '"' || c == '\'' || c == ')' || c == 0x201D || c == 0x2019 || c == 0x300D || c == 0x300F
        || c == 0xFF09;
}

} // namespace

QString join(const QString &left, const QString &right)
{
    if (left.isEmpty())
        return right;
    if (right.isEmpty())
        return left;
    if (isWide(lastCodePoint(left)) && isWide(firstCodePoint(right)))
        return left + right;
    return left + QLatin1Char(' ') + right;
}

QString normalized(const QString &text)
{
    QString out = text.normalized(QString::NormalizationForm_C);
    bool needsCompatibility = false;
    for (const QChar c : out) {
        const char16_t u = c.unicode();
        if ((u >= 0xFB00 && u <= 0xFB06) || (u >= 0x2E80 && u <= 0x2FDF)) {
            needsCompatibility = true;
            break;
        }
    }
    if (!needsCompatibility)
        return out;
    QString mapped;
    mapped.reserve(out.size());
    for (const QChar c : out) {
        const char16_t u = c.unicode();
        if ((u >= 0xFB00 && u <= 0xFB06) || (u >= 0x2E80 && u <= 0x2FDF))
            mapped += QString(c).normalized(QString::NormalizationForm_KC);
        else
            mapped += c;
    }
    return mapped;
}

namespace {

bool startsLikeHeadingOrSentence(const QString &line)
{
    const char32_t c = firstCodePoint(line);
    return QChar::isUpper(c) || QChar::isDigit(c) || isWide(c);
}

bool endsWithPunctuation(const QString &line)
{
    const char32_t c = lastCodePoint(line);
    return QChar::isPunct(c) && c != ')' && c != 0xFF09;
}

} // namespace

QStringList paragraphs(const QString &raw)
{
    // Clean lines first; an empty line marks a paragraph break.
    QStringList lines;
    std::u32string line;
    auto endLine = [&] {
        lines.append(cleanLine(line));
        line.clear();
    };
    for (const uint u : normalized(raw).toUcs4()) {
        const char32_t c = u;
        if (c == '\n' || c == '\r' || c == '\f' || c == 0x2028 || c == 0x2029) {
            endLine();
            if (c == '\f' || c == 0x2029)
                endLine();
            continue;
        }
        if (c == '\t')
            line.push_back(U' ');
        else if (!isDropped(c))
            line.push_back(c);
    }
    endLine();

    int longest = 0;
    for (const QString &l : std::as_const(lines))
        longest = std::max(longest, weightedLength(l));

    QStringList result;
    QString current;
    auto endParagraph = [&] {
        if (!current.isEmpty())
            result.append(current);
        current.clear();
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &cleaned = lines[i];
        if (cleaned.isEmpty()) {
            endParagraph();
            continue;
        }
        // A word broken with a hyphen at the end of a line is one word.
        if (current.size() > 1 && current.endsWith(QLatin1Char('-')) && current.at(current.size() - 2).isLetter()
            && cleaned.at(0).isLower()) {
            current.chop(1);
            current += cleaned;
        } else {
            current = join(current, cleaned);
        }
        // Extracted page text has no blank lines: a short line without closing
        // punctuation, followed by a line that starts afresh, is a heading.
        const QString next = lines.value(i + 1);
        if (!next.isEmpty() && weightedLength(cleaned) * 10 < longest * 7 && !endsWithPunctuation(cleaned)
            && startsLikeHeadingOrSentence(cleaned) && startsLikeHeadingOrSentence(next))
            endParagraph();
    }
    endParagraph();
    return result;
}

QStringList sentences(const QString &paragraph)
{
    QStringList result;
    const QList<uint> cps = paragraph.toUcs4();
    std::u32string current;
    auto flush = [&] {
        const QString s = QString::fromUcs4(current.data(), qsizetype(current.size())).trimmed();
        if (!s.isEmpty())
            result.append(s);
        current.clear();
    };
    for (qsizetype i = 0; i < cps.size(); ++i) {
        const char32_t c = cps.at(i);
        current.push_back(c);
        const bool wideStop = c == 0x3002 || c == 0xFF01 || c == 0xFF1F || c == 0xFF1B;
        const bool latinStop = (c == '.' || c == '!' || c == '?')
            && (i + 1 == cps.size() || cps.at(i + 1) == ' ' || isClosing(cps.at(i + 1)));
        if (!wideStop && !latinStop)
            continue;
        const size_t stopAt = current.size() - 1;
        while (i + 1 < cps.size() && isClosing(cps.at(i + 1)))
            current.push_back(cps.at(++i));
        if (c == '.') {
            const QString before = QString::fromUcs4(current.data(), qsizetype(stopAt)).trimmed();
            if (!endsSentence(before))
                continue;
        }
        flush();
    }
    flush();
    return result;
}

int weightedLength(const QString &text)
{
    int length = 0;
    for (const uint c : text.toUcs4())
        length += isWide(c) ? 2 : 1;
    return length;
}

QStringList wrap(const QString &text, int maxWeight)
{
    QStringList pieces;
    const QList<uint> cps = text.toUcs4();
    qsizetype start = 0;
    while (start < cps.size()) {
        int weight = 0;
        qsizetype end = start;
        qsizetype lastSpace = -1;
        while (end < cps.size() && weight + (isWide(cps.at(end)) ? 2 : 1) <= maxWeight) {
            weight += isWide(cps.at(end)) ? 2 : 1;
            if (cps.at(end) == ' ')
                lastSpace = end;
            ++end;
        }
        if (end < cps.size() && lastSpace > start)
            end = lastSpace;
        if (end == start)
            end = start + 1;
        const QString piece = QString::fromUcs4(reinterpret_cast<const char32_t *>(cps.constData()) + start, end - start).trimmed();
        if (!piece.isEmpty())
            pieces.append(piece);
        start = end;
    }
    return pieces;
}

} // namespace ragtool::text
