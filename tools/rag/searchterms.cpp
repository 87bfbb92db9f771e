#include "searchterms.h"

#include "textlayout.h"

#include <QSet>

#include <algorithm>

namespace ragtool {

namespace {

// Words between the two of a pair, at most: "pump at the station" still counts.
constexpr int nearDistance = 2;
constexpr qsizetype maxSingleWords = 32;
constexpr qsizetype maxWordTerms = 48; // words and their pairs
constexpr qsizetype maxCjkTerms = 48;

const QSet<QString> &stopWords()
{
    static const QSet<QString> words = [] {
        QSet<QString> set;
        const char *list[] = {
            "a", "an", "the", "is", "are", "was", "were", "be", "been", "being", "do", "does", "did",
            "what", "which", "who", "whom", "whose", "when", "where", "why", "how", "of", "in", "on",
            "at", "to", "for", "from", "by", "with", "about", "as", "into", "than", "then", "that",
            "this", "these", "those", "it", "its", "and", "or", "but", "if", "so", "there", "their",
            "they", "them", "he", "she", "his", "her", "we", "our", "you", "your", "me", "my", "can",
            "could", "should", "would", "will", "shall", "may", "might", "must", "has", "have", "had",
            "tell", "show", "give", "list", "please", "say", "says", "said", "any", "some", "all",
            "each", "much", "many", "more", "most", "other", "also", "just", "only", "very", "know",
            "find", "describe", "explain", "mention", "mentioned", "document", "documents"};
        for (const char *word : list)
            set.insert(QString::fromLatin1(word));
        return set;
    }();
    return words;
}

// Question words and particles; cut out of a Chinese question before it becomes terms,
// longest first so that 為什麼 goes before 什麼.
const QStringList &chineseQuestionWords()
{
    static const QStringList words = [] {
        QStringList list = QString::fromUtf8(
            "為什麼 为什么 是不是 有沒有 有没有 告訴我 告诉我 什麼 甚麼 什么 哪些 哪裡 哪里 哪個 哪个 為何 "
            "为何 如何 怎麼 怎么 怎樣 怎样 是否 請問 请问 一下 多少 的 了 嗎 吗 呢 吧 是 在 誰 谁 幾 几 哪 "
            "請 请")
                               .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        std::stable_sort(list.begin(), list.end(), [](const QString &a, const QString &b) {
            return a.size() > b.size();
        });
        return list;
    }();
    return words;
}

QList<QString> cjkRuns(const QString &text)
{
    QList<QString> runs;
    std::u32string run;
    auto flush = [&] {
        if (!run.empty())
            runs.append(QString::fromUcs4(run.data(), qsizetype(run.size())));
        run.clear();
    };
    for (const uint c : text.toUcs4()) {
        if (text::isCjkLetter(c))
            run.push_back(c);
        else
            flush();
    }
    flush();
    return runs;
}

void appendRunTerms(const QString &run, QList<QueryTerm> &terms)
{
    const QList<uint> cps = run.toUcs4();
    if (cps.size() == 1) {
        terms.append({QueryTerm::Kind::cjkSingle, run});
        return;
    }
    for (qsizetype i = 0; i + 1 < cps.size(); ++i)
        terms.append({QueryTerm::Kind::cjkPair,
                      QString::fromUcs4(reinterpret_cast<const char32_t *>(cps.constData()) + i, 2)});
}

int commonPrefix(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = 0;
    while (i < n && a.at(i) == b.at(i))
        ++i;
    return int(i);
}

// A crude stem match: "revenue" finds "revenues", "grow" finds "growth".
bool looselyEqual(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    // Numbers and short words only match exactly: "2" is not "281", "tea" not "team".
    const auto hasDigit = [](const QString &s) { return std::any_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); }); };
    if (std::min(a.size(), b.size()) < 4 || hasDigit(a) || hasDigit(b))
        return false;
    const int shorter = int(std::min(a.size(), b.size()));
    const int longer = int(std::max(a.size(), b.size()));
    if (longer - shorter > 4)
        return false;
    const int required = shorter == 4 ? shorter : (shorter <= 7 ? shorter - 1 : shorter - 2);
    return commonPrefix(a, b) >= required;
}

} // namespace

QString SearchTerms::indexText(const QString &body)
{
    QString out;
    out.reserve(body.size() * 3);
    std::u32string run;
    auto flushRun = [&] {
        if (run.empty())
            return;
        out += QLatin1Char(' ');
        for (size_t i = 0; i + 1 < run.size(); ++i) {
            out += QString::fromUcs4(run.data() + i, 2);
            out += QLatin1Char(' ');
        }
        out += QString::fromUcs4(run.data() + run.size() - 1, 1);
        out += QLatin1Char(' ');
        run.clear();
    };
    for (const uint c : body.toUcs4()) {
        if (text::isCjkLetter(c)) {
            run.push_back(c);
            continue;
        }
        flushRun();
        const char32_t cp = c;
        out += QString::fromUcs4(&cp, 1);
    }
    flushRun();
    return out;
}

QStringList SearchTerms::words(const QString &text)
{
    QStringList result;
    std::u32string word;
    auto flush = [&] {
        if (!word.empty())
            result.append(QString::fromUcs4(word.data(), qsizetype(word.size())).toLower());
        word.clear();
    };
    for (const uint c : text.toUcs4()) {
        if (QChar::isLetterOrNumber(char32_t(c)) && !text::isCjkLetter(c))
            word.push_back(c);
        else
            flush();
    }
    flush();
    return result;
}

QList<QueryTerm> SearchTerms::questionTerms(const QString &rawQuestion)
{
    const QString question = text::normalized(rawQuestion);
    QList<QueryTerm> terms;
    auto add = [&terms](const QueryTerm &term) {
        if (!terms.contains(term))
            terms.append(term);
    };

    const QStringList allWords = words(question);
    QList<QueryTerm> wordTerms;
    for (const QString &word : allWords) {
        const bool tooShort = word.size() < 2 && !word.at(0).isDigit();
        if (!tooShort && !stopWords().contains(word))
            wordTerms.append({QueryTerm::Kind::word, word});
    }
    if (wordTerms.isEmpty()) {
        for (const QString &word : allWords)
            wordTerms.append({QueryTerm::Kind::word, word});
    }
    QList<QueryTerm> distinct;
    for (const QueryTerm &term : std::as_const(wordTerms)) {
        if (!distinct.contains(term))
            distinct.append(term);
    }
    wordTerms = distinct;
    if (wordTerms.size() > maxSingleWords)
        wordTerms.resize(maxSingleWords);
    const qsizetype singleWords = wordTerms.size();
    for (qsizetype i = 0; i + 1 < singleWords; ++i)
        wordTerms.append({QueryTerm::Kind::nearWords, wordTerms[i].text + QLatin1Char(' ') + wordTerms[i + 1].text});

    const QList<QString> runs = cjkRuns(question);
    QList<QueryTerm> cjkTerms;
    for (QString run : runs) {
        for (const QString &questionWord : chineseQuestionWords())
            run.replace(questionWord, QStringLiteral("|"));
        for (const QString &piece : run.split(QLatin1Char('|'), Qt::SkipEmptyParts))
            appendRunTerms(piece, cjkTerms);
    }
    if (cjkTerms.isEmpty()) {
        for (const QString &run : runs)
            appendRunTerms(run, cjkTerms);
    }

    // A pasted page as a question would make a search slower than it is useful.
    for (const QueryTerm &term : std::as_const(wordTerms)) {
        if (terms.size() < maxWordTerms)
            add(term);
    }
    const qsizetype withWords = terms.size();
    for (const QueryTerm &term : std::as_const(cjkTerms)) {
        if (terms.size() - withWords < maxCjkTerms)
            add(term);
    }
    return terms;
}

QString SearchTerms::matchExpression(const QList<QueryTerm> &terms)
{
    QStringList parts;
    for (const QueryTerm &term : terms) {
        if (term.kind == QueryTerm::Kind::nearWords) {
            const QStringList pair = term.text.split(QLatin1Char(' '));
            parts.append(QStringLiteral("NEAR(\"%1\" \"%2\", %3)").arg(pair.at(0), pair.at(1)).arg(nearDistance));
            continue;
        }
        QString quoted = term.text;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
        quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
        if (term.kind == QueryTerm::Kind::cjkSingle)
            quoted += QLatin1Char('*');
        parts.append(quoted);
    }
    return parts.join(QLatin1String(" OR "));
}

bool SearchTerms::sentenceHolds(const QString &sentenceLower, const QStringList &sentenceWords, const QueryTerm &term)
{
    switch (term.kind) {
    case QueryTerm::Kind::word:
        return std::any_of(sentenceWords.begin(), sentenceWords.end(),
                           [&term](const QString &word) { return looselyEqual(word, term.text); });
    case QueryTerm::Kind::nearWords: {
        const QStringList pair = term.text.split(QLatin1Char(' '));
        for (qsizetype i = 0; i < sentenceWords.size(); ++i) {
            if (!looselyEqual(sentenceWords[i], pair.at(0)))
                continue;
            const qsizetype from = std::max<qsizetype>(0, i - nearDistance - 1);
            const qsizetype to = std::min(sentenceWords.size() - 1, i + nearDistance + 1);
            for (qsizetype j = from; j <= to; ++j) {
                if (j != i && looselyEqual(sentenceWords[j], pair.at(1)))
                    return true;
            }
        }
        return false;
    }
    case QueryTerm::Kind::cjkPair:
    case QueryTerm::Kind::cjkSingle:
        break;
    }
    return sentenceLower.contains(term.text);
}

} // namespace ragtool
