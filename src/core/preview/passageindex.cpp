#include "preview/passageindex.h"

#include "preview/passagesentences.h"
#include "preview/passageterms.h"
#include "preview/passagewordforms.h"
#include "search/foldedtext.h"
#include "search/foldtable.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tovik {

namespace {

// Only the end of a claim is read: the words just before its citation marker.
constexpr qsizetype maxClaimUnits = 4000;
constexpr qsizetype maxClaimTerms = 200;
// Words shorter than this are not matched one letter off: too many neighbours.
constexpr qsizetype minFuzzyLength = 5;
// What a word one letter off counts for, against an exact one.
constexpr double fuzzyFactor = 0.7;
// What a function word weighs, against a content word equally rare on the page.
constexpr double commonFactor = 0.15;

double idf(qsizetype sentences, qsizetype containing)
{
    return std::log(1.0 + (double(sentences) - double(containing) + 0.5) / (double(containing) + 0.5));
}

} // namespace

struct PassageIndex::Data
{
    QString text;
    QList<TextSpan> sentences;   // of the original text
    QList<int> tokenTerm;        // per token of the page: its term
    QList<TextSpan> tokenSpan;   // per token: of the original text
    QList<int> tokenSentence;    // per token
    QHash<QString, int> termIds;
    QList<qsizetype> termSentences; // per term: in how many sentences it occurs
    QList<bool> termCommon;         // per term
    QHash<QString, QList<int>> nearKeys; // a term, or it less one letter → spelled terms
};

PassageIndex::PassageIndex(const QString &pageText)
{
    auto data = std::make_shared<Data>();
    data->text = pageText;
    data->sentences = PassageSentences::of(pageText);
    const FoldedText folded(pageText, FoldTable::caseDiacriticsAndWidth, false);
    const QList<PassageTerm> terms = PassageTerms::of(folded.folded());
    data->tokenTerm.reserve(terms.size());
    data->tokenSpan.reserve(terms.size());
    data->tokenSentence.reserve(terms.size());
    QList<qsizetype> lastSentence;
    qsizetype sentence = 0;
    for (const PassageTerm &term : terms) {
        const TextSpan span = folded.sourceSpan(term.span);
        while (sentence + 1 < data->sentences.size() && data->sentences.at(sentence).end <= span.start)
            ++sentence;
        auto it = data->termIds.constFind(term.key);
        const bool added = it == data->termIds.cend();
        if (added)
            it = data->termIds.insert(term.key, int(data->termSentences.size()));
        const int id = it.value();
        if (added) {
            data->termSentences.append(0);
            data->termCommon.append(term.common);
            lastSentence.append(-1);
            if (term.spelled && term.key.size() >= minFuzzyLength) {
                data->nearKeys[term.key].append(id);
                for (const QString &shorter : PassageWordForms::deletions(term.key))
                    data->nearKeys[shorter].append(id);
            }
        }
        if (lastSentence.at(id) != sentence) {
            lastSentence[id] = sentence;
            ++data->termSentences[id];
        }
        data->tokenTerm.append(id);
        data->tokenSpan.append(span);
        data->tokenSentence.append(int(sentence));
    }
    m_data = std::move(data);
}

namespace {

// Which query term each term of the page stands for, and the running weight of
// the query terms present in a stretch of page tokens.
class WindowScore
{
public:
    WindowScore(QList<double> weights, std::vector<int> queryOfTerm, std::vector<char> exactOfTerm)
        : m_weights(std::move(weights)), m_queryOfTerm(std::move(queryOfTerm)),
          m_exactOfTerm(std::move(exactOfTerm)), m_exact(m_weights.size()), m_near(m_weights.size())
    {
    }

    double score() const { return m_score; }
    bool matches(int term) const { return m_queryOfTerm[std::size_t(term)] >= 0; }

    void add(int term) { change(term, +1); }
    void remove(int term) { change(term, -1); }
    void clear()
    {
        std::fill(m_exact.begin(), m_exact.end(), 0);
        std::fill(m_near.begin(), m_near.end(), 0);
        m_score = 0;
    }

private:
    double contribution(int query) const
    {
        const double weight = m_weights.at(query);
        return m_exact[std::size_t(query)] > 0 ? weight : m_near[std::size_t(query)] > 0 ? weight * fuzzyFactor : 0;
    }

    void change(int term, int delta)
    {
        const int query = m_queryOfTerm[std::size_t(term)];
        if (query < 0)
            return;
        const double before = contribution(query);
        (m_exactOfTerm[std::size_t(term)] ? m_exact : m_near)[std::size_t(query)] += delta;
        m_score += contribution(query) - before;
    }

    QList<double> m_weights;
    std::vector<int> m_queryOfTerm;
    std::vector<char> m_exactOfTerm;
    std::vector<int> m_exact;
    std::vector<int> m_near;
    double m_score = 0;
};

} // namespace

std::optional<PassageMatch> PassageIndex::bestPassage(QStringView claim) const
{
    if (!m_data || m_data->tokenTerm.isEmpty() || claim.isEmpty())
        return std::nullopt;
    const Data &d = *m_data;

    qsizetype from = std::max<qsizetype>(0, claim.size() - maxClaimUnits);
    if (from > 0 && claim.at(from).isLowSurrogate())
        ++from;
    const QString foldedClaim = FoldTable::fold(claim.sliced(from), FoldTable::caseDiacriticsAndWidth, false);
    QList<PassageTerm> claimTerms = PassageTerms::of(foldedClaim);
    if (claimTerms.size() > maxClaimTerms)
        claimTerms = claimTerms.last(maxClaimTerms);
    if (claimTerms.isEmpty())
        return std::nullopt;

    // Each distinct claim term weighs by its rarity on the page; one the page
    // lacks weighs as much as the rarest it has, so an unsupported claim covers
    // little. (Weighing missing words more still, as plain BM25 does, let a few
    // extra words of a paraphrase sink it on short pages.)
    const qsizetype sentences = d.sentences.size();
    std::vector<int> queryOfTerm(std::size_t(d.termSentences.size()), -1);
    std::vector<char> exactOfTerm(queryOfTerm.size(), 0);
    QList<double> weights;
    QSet<QString> seen;
    double total = 0;
    double needed = 0;
    for (const PassageTerm &term : std::as_const(claimTerms)) {
        if (seen.contains(term.key))
            continue;
        seen.insert(term.key);
        const int query = int(weights.size());
        qsizetype containing = 0;
        if (const auto exact = d.termIds.constFind(term.key); exact != d.termIds.cend()) {
            queryOfTerm[std::size_t(*exact)] = query;
            exactOfTerm[std::size_t(*exact)] = 1;
            containing = d.termSentences.at(*exact);
        } else if (term.spelled && term.key.size() >= minFuzzyLength) {
            QList<int> near = d.nearKeys.value(term.key);
            for (const QString &shorter : PassageWordForms::deletions(term.key))
                near += d.nearKeys.value(shorter);
            for (int id : std::as_const(near)) {
                if (d.termCommon.at(id) || queryOfTerm[std::size_t(id)] >= 0)
                    continue;
                queryOfTerm[std::size_t(id)] = query;
                containing = std::max(containing, d.termSentences.at(id));
            }
        }
        const double weight = idf(sentences, std::max<qsizetype>(containing, 1)) * (term.common ? commonFactor : 1.0);
        weights.append(weight);
        total += weight;
        needed += weight * (term.ideographic ? ideographicThreshold : threshold);
    }
    if (total <= 0)
        return std::nullopt;

    WindowScore window(std::move(weights), std::move(queryOfTerm), std::move(exactOfTerm));
    const qsizetype tokens = d.tokenTerm.size();
    const qsizetype width = std::clamp<qsizetype>(claimTerms.size() * 3 / 2 + 5, 10, 300);
    double best = 0;
    qsizetype bestEnd = -1;
    for (qsizetype i = 0; i < tokens; ++i) {
        window.add(d.tokenTerm.at(i));
        if (i >= width)
            window.remove(d.tokenTerm.at(i - width));
        if (window.score() > best + 1e-9) {
            best = window.score();
            bestEnd = i;
        }
    }
    if (bestEnd < 0 || best < needed)
        return std::nullopt;
    const double coverage = best / total;

    // The shortest stretch of the best window that keeps nearly all its weight,
    // so that a stray common word at its edge does not widen the passage.
    const qsizetype windowStart = std::max<qsizetype>(0, bestEnd - width + 1);
    const double target = best * 0.9 - 1e-9;
    window.clear();
    qsizetype first = windowStart;
    qsizetype coreFirst = windowStart;
    qsizetype coreLast = bestEnd;
    qsizetype coreLength = -1;
    for (qsizetype last = windowStart; last <= bestEnd; ++last) {
        window.add(d.tokenTerm.at(last));
        while (first < last) {
            window.remove(d.tokenTerm.at(first));
            if (window.score() < target) {
                window.add(d.tokenTerm.at(first));
                break;
            }
            ++first;
        }
        const qsizetype length = d.tokenSpan.at(last).end - d.tokenSpan.at(first).start;
        if (window.score() >= target && (coreLength < 0 || length < coreLength)) {
            coreFirst = first;
            coreLast = last;
            coreLength = length;
        }
    }
    while (coreFirst < coreLast && !window.matches(d.tokenTerm.at(coreFirst)))
        ++coreFirst;
    while (coreLast > coreFirst && !window.matches(d.tokenTerm.at(coreLast)))
        --coreLast;

    // Widen to the sentences the stretch lies in, each end on its own and only
    // where its sentence does not reach far beyond the stretch.
    qsizetype start = d.tokenSpan.at(coreFirst).start;
    qsizetype end = d.tokenSpan.at(coreLast).end;
    const qsizetype reach = std::max<qsizetype>((end - start) * 3 / 4, 80);
    const qsizetype sentenceStart = d.sentences.at(d.tokenSentence.at(coreFirst)).start;
    const qsizetype sentenceEnd = d.sentences.at(d.tokenSentence.at(coreLast)).end;
    if (start - sentenceStart <= reach)
        start = sentenceStart;
    if (sentenceEnd - end <= reach)
        end = sentenceEnd;
    while (start < end && d.text.at(start).isSpace())
        ++start;
    while (end > start && d.text.at(end - 1).isSpace())
        --end;
    return PassageMatch{TextRange{start, end - start}, coverage};
}

} // namespace tovik
