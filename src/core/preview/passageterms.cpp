#include "preview/passageterms.h"

#include "preview/passagewordforms.h"
#include "search/searchtext.h"

#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <string_view>

namespace tovik {

namespace {

bool isCjk(char32_t c)
{
    if (c == 0x30FC) // the kana length mark
        return true;
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(UChar32(c), &status);
    return U_SUCCESS(status)
        && (script == USCRIPT_HAN || script == USCRIPT_HIRAGANA || script == USCRIPT_KATAKANA
            || script == USCRIPT_HANGUL);
}

bool isCounter(char32_t c)
{
    static constexpr char32_t counters[] = {U'年', U'月', U'日', U'時', U'點', U'週', U'天', U'歲',
                                            U'個', U'名', U'位', U'家', U'次', U'元', U'人'};
    return std::find(std::begin(counters), std::end(counters), c) != std::end(counters);
}

// Chinese characters that mostly serve grammar; a bigram holding one says
// little about what a passage is about.
bool isFunctionCharacter(char32_t c)
{
    static constexpr std::u32string_view characters = U"的是在了和與及也要會將於為有這那其之並或而就都可以等對由從到把被讓向則因所此但且還已該各每即約";
    return characters.find(c) != std::u32string_view::npos;
}

struct CodePoint
{
    char32_t value;
    qsizetype start;
    qsizetype end;
};

QList<CodePoint> codePoints(QStringView text, qsizetype from, qsizetype to)
{
    QList<CodePoint> out;
    for (qsizetype i = from; i < to;) {
        char32_t c = text.at(i).unicode();
        qsizetype length = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < to && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            length = 2;
        }
        out.append({c, i, i + length});
        i += length;
    }
    return out;
}

class Builder
{
public:
    explicit Builder(QStringView folded) : m_text(folded) {}

    QList<PassageTerm> run()
    {
        for (const TextSpan &span : SearchText::wordSpans(m_text))
            addSpan(span);
        flushCjk();
        for (qsizetype i = m_text.indexOf(u'%'); i >= 0; i = m_text.indexOf(u'%', i + 1))
            m_terms.append({QStringLiteral("percent"), {i, i + 1}, false, false});
        std::stable_sort(m_terms.begin(), m_terms.end(),
                         [](const PassageTerm &a, const PassageTerm &b) { return a.span.start < b.span.start; });
        return joinSplitWords();
    }

private:
    void addSpan(TextSpan span)
    {
        // A token may mix scripts; cut it into CJK and other parts.
        const QList<CodePoint> points = codePoints(m_text, span.start, span.end);
        qsizetype i = 0;
        while (i < points.size()) {
            const bool cjk = isCjk(points.at(i).value);
            qsizetype j = i + 1;
            while (j < points.size() && isCjk(points.at(j).value) == cjk)
                ++j;
            const TextSpan part{points.at(i).start, points.at(j - 1).end};
            if (cjk) {
                if (!m_cjk.isEmpty() && m_cjk.last().end == part.start) {
                    m_cjk.append(codePoints(m_text, part.start, part.end));
                } else {
                    flushCjk();
                    m_cjk = codePoints(m_text, part.start, part.end);
                }
            } else {
                flushCjk();
                addWord(part);
            }
            i = j;
        }
    }

    void addWord(TextSpan span)
    {
        const QStringView word = m_text.sliced(span.start, span.length());
        const QString key = PassageWordForms::key(word);
        if (key.isEmpty())
            return;
        const bool spelled = std::none_of(key.cbegin(), key.cend(), [](QChar c) { return c.isDigit(); });
        m_terms.append({key, span, PassageWordForms::isCommon(word), spelled});
    }

    // Numbers written in Chinese become number terms; the rest of the run becomes bigrams.
    void flushCjk()
    {
        const QList<CodePoint> run = std::exchange(m_cjk, {});
        qsizetype textStart = 0;
        qsizetype i = 0;
        while (i < run.size()) {
            if (i + 3 < run.size() && run.at(i).value == U'百' && run.at(i + 1).value == U'分'
                && run.at(i + 2).value == U'之' && PassageWordForms::isChineseNumeral(run.at(i + 3).value)) {
                addBigrams(run, textStart, i);
                m_terms.append({QStringLiteral("percent"), {run.at(i).start, run.at(i + 2).end}, false, false});
                i += 3;
                textStart = i;
                continue;
            }
            qsizetype j = i;
            while (j < run.size() && PassageWordForms::isChineseNumeral(run.at(j).value))
                ++j;
            // A lone numeral is a number only before a unit of time or a counter:
            // 三月, 八時, 五名; elsewhere it is part of a word (一起, 統一).
            const bool counted = j == i + 1 && j < run.size() && isCounter(run.at(j).value);
            if (j - i >= 2 || counted) {
                const TextSpan span{run.at(i).start, run.at(j - 1).end};
                if (const auto value = PassageWordForms::chineseNumberValue(m_text.sliced(span.start, span.length()))) {
                    addBigrams(run, textStart, i);
                    m_terms.append({QString::number(*value), span, false, false});
                    textStart = j;
                }
            }
            i = std::max(j, i + 1);
        }
        addBigrams(run, textStart, run.size());
    }

    void addBigrams(const QList<CodePoint> &run, qsizetype from, qsizetype to)
    {
        if (to - from == 1) {
            const TextSpan span{run.at(from).start, run.at(from).end};
            m_terms.append({m_text.sliced(span.start, span.length()).toString(), span, false, false, true});
            return;
        }
        for (qsizetype i = from; i + 1 < to; ++i) {
            const TextSpan span{run.at(i).start, run.at(i + 1).end};
            const bool common = isFunctionCharacter(run.at(i).value) || isFunctionCharacter(run.at(i + 1).value);
            m_terms.append({m_text.sliced(span.start, span.length()).toString(), span, common, false, true});
        }
    }

    bool onlySeparatorsBetween(const PassageTerm &a, const PassageTerm &b) const
    {
        // Character pairs overlap: nothing lies between them.
        if (b.span.start < a.span.end)
            return false;
        const QStringView gap = m_text.sliced(a.span.end, b.span.start - a.span.end);
        return gap.size() <= 3
            && std::all_of(gap.begin(), gap.end(), [](QChar c) { return c == u' ' || c == u'-' || c == u'\n'; });
    }

    // A hyphen, then a line feed (spaces around either), then a lowercase letter.
    bool isLineEndBreak(const PassageTerm &a, const PassageTerm &b) const
    {
        if (b.span.start < a.span.end)
            return false;
        const QStringView gap = m_text.sliced(a.span.end, b.span.start - a.span.end);
        const QStringView dash = gap.trimmed();
        return dash == u"-" && gap.indexOf(u'-') < gap.indexOf(u'\n') && m_text.at(b.span.start).isLower();
    }

    // "twenty-five" is 25, "per cent" is "percent", and a word a scan hyphenated
    // at a line end is whole again.
    QList<PassageTerm> joinSplitWords() const
    {
        QList<PassageTerm> out;
        out.reserve(m_terms.size());
        for (const PassageTerm &term : m_terms) {
            if (!out.isEmpty() && onlySeparatorsBetween(out.last(), term)) {
                PassageTerm &previous = out.last();
                const QStringView previousWord = m_text.sliced(previous.span.start, previous.span.length());
                const QStringView word = m_text.sliced(term.span.start, term.span.length());
                const auto tens = PassageWordForms::numberWordValue(previousWord);
                const auto unit = PassageWordForms::numberWordValue(word);
                if (tens && unit && *tens >= 20 && *tens % 10 == 0 && *tens < 100 && *unit > 0 && *unit < 10) {
                    previous.key = QString::number(*tens + *unit);
                    previous.span.end = term.span.end;
                    continue;
                }
                if (previousWord == u"per" && word == u"cent") {
                    previous = {QStringLiteral("percent"), {previous.span.start, term.span.end}, false, false};
                    continue;
                }
            }
            // A word a scan broke at a line end: "inspec-" then "tion".
            if (!out.isEmpty() && out.last().spelled && term.spelled && isLineEndBreak(out.last(), term)) {
                PassageTerm &previous = out.last();
                QString joined = m_text.sliced(previous.span.start, previous.span.length()).toString();
                joined += m_text.sliced(term.span.start, term.span.length());
                previous.key = PassageWordForms::key(joined);
                previous.common = PassageWordForms::isCommon(joined);
                previous.span.end = term.span.end;
                continue;
            }
            out.append(term);
        }
        return out;
    }

    QStringView m_text;
    QList<PassageTerm> m_terms;
    QList<CodePoint> m_cjk;
};

} // namespace

QList<PassageTerm> PassageTerms::of(QStringView folded)
{
    return Builder(folded).run();
}

} // namespace tovik
