#include "answerbuilder.h"

#include "textlayout.h"

#include <QSet>

#include <algorithm>

namespace ragtool {

namespace {

double termWeight(const QueryTerm &term)
{
    return term.kind == QueryTerm::Kind::cjkSingle ? 0.5 : 1.0;
}

double sentenceScore(const QString &sentence, const QList<QueryTerm> &terms)
{
    const QString lower = sentence.toLower();
    const QStringList words = SearchTerms::words(sentence);
    double score = 0;
    for (const QueryTerm &term : terms) {
        if (SearchTerms::sentenceHolds(lower, words, term))
            score += termWeight(term);
    }
    return score;
}

struct Sentence
{
    QString text;
    qsizetype paragraph = 0;
    bool heading = false;  // a paragraph of one short line without closing punctuation
    bool listItem = false; // a paragraph that the document marked as a list item
    double score = 0;
};

QList<Sentence> sentencesOf(const QString &body, const QList<QueryTerm> &terms)
{
    static const QString closing = QStringLiteral(".!?:;,。！？：；，…");
    QList<Sentence> result;
    const QStringList paragraphs = body.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        QString paragraph = paragraphs[p];
        const bool listItem = paragraph.startsWith(text::listBullet);
        if (listItem)
            paragraph.remove(0, text::listBullet.size());
        const QStringList sentences = text::sentences(paragraph);
        for (const QString &sentence : sentences) {
            const bool heading = !listItem && sentences.size() == 1 && !closing.contains(sentence.back())
                && text::weightedLength(sentence) < 100;
            result.append(Sentence{sentence, p, heading, listItem, sentenceScore(sentence, terms)});
        }
    }
    return result;
}

bool introducesList(const QList<Sentence> &sentences, qsizetype i)
{
    return sentences[i].heading && i + 1 < sentences.size() && sentences[i + 1].listItem;
}

// A heading counts for less than a sentence holding the same terms, and lends half its
// score to the sentence after it; a heading over a list (quoted with its items) counts
// for more than a bare heading.
double weighted(const QList<Sentence> &sentences, qsizetype i)
{
    const Sentence &sentence = sentences[i];
    if (sentence.heading)
        return sentence.score * (introducesList(sentences, i) ? 0.7 : 0.3);
    const bool afterHeading = i > 0 && sentences[i - 1].heading;
    return sentence.score + (afterHeading ? 0.5 * sentences[i - 1].score : 0.0);
}

// The best sentence of a passage: with the next one of its paragraph when it is too short
// to stand alone, or, for a heading over a list, with the list's items. With orFirst, a
// passage in which no sentence holds a term (the index matched a stem the sentence test
// doesn't see) still gives its first sentence.
QString bestExcerpt(const QString &body, const QList<QueryTerm> &terms, bool orFirst, double *scoreOut)
{
    const QList<Sentence> sentences = sentencesOf(body, terms);
    double bestScore = 0;
    qsizetype best = -1;
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        const double score = weighted(sentences, i);
        if (score > bestScore) {
            bestScore = score;
            best = i;
        }
    }
    if (best < 0 && orFirst && !sentences.isEmpty())
        best = 0;
    if (best < 0)
        return {};
    *scoreOut = bestScore;
    QString excerpt = sentences[best].text;
    if (introducesList(sentences, best)) {
        static const QString closing = QStringLiteral(".!?;。！？；");
        excerpt += QLatin1Char(':');
        for (qsizetype i = best + 1; i < sentences.size() && sentences[i].listItem; ++i) {
            const bool closed = closing.contains(excerpt.back());
            excerpt += (closed || i == best + 1 ? QStringLiteral(" ") : QStringLiteral("; ")) + sentences[i].text;
        }
    } else if (text::weightedLength(excerpt) < 30 && best + 1 < sentences.size()
               && sentences[best + 1].paragraph == sentences[best].paragraph) {
        excerpt = text::join(excerpt, sentences[best + 1].text);
    }
    const QStringList pieces = text::wrap(excerpt, AnswerBuilder::maxPointWeight);
    if (pieces.size() > 1)
        excerpt = pieces.first() + QStringLiteral(" …");
    return excerpt;
}

// Text quoted from a document must not read as a citation of its own.
QString neutralized(QString excerpt)
{
    excerpt.replace(QStringLiteral("[來源"), QStringLiteral("［來源"));
    return excerpt;
}

} // namespace

QString AnswerBuilder::citation(const QString &filename, int page)
{
    return QStringLiteral("[來源: %1 p. %2]").arg(filename).arg(page);
}

QStringList AnswerBuilder::build(const QList<CorpusDatabase::Hit> &hits, const QList<QueryTerm> &terms)
{
    struct Candidate
    {
        QString excerpt;
        double score = 0;
        const CorpusDatabase::Hit *hit = nullptr;
    };
    QList<Candidate> candidates;
    const double bestRank = hits.isEmpty() ? 0 : hits.first().score; // bm25 scores are negative
    for (const CorpusDatabase::Hit &hit : hits) {
        if (bestRank < 0 && hit.score / bestRank < minRelativeScore)
            break;
        Candidate candidate{{}, 0, &hit};
        candidate.excerpt = bestExcerpt(hit.body, terms, false, &candidate.score);
        if (!candidate.excerpt.isEmpty())
            candidates.append(candidate);
    }
    if (candidates.isEmpty() && !hits.isEmpty()) {
        Candidate candidate{{}, 0, &hits.first()};
        candidate.excerpt = bestExcerpt(hits.first().body, terms, true, &candidate.score);
        if (!candidate.excerpt.isEmpty())
            candidates.append(candidate);
    }
    // The passage index ranks whole passages; the sentence that answers most of the
    // question decides the order of the points, the index's rank breaking ties.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.score > b.score; });

    QStringList lines;
    QSet<QString> seen;
    for (const Candidate &candidate : std::as_const(candidates)) {
        if (lines.size() >= maxPoints)
            break;
        if (seen.contains(candidate.excerpt))
            continue;
        seen.insert(candidate.excerpt);
        lines.append(QStringLiteral("- ") + neutralized(candidate.excerpt) + QLatin1Char(' ')
                     + citation(candidate.hit->filename, candidate.hit->page));
    }
    return lines;
}

} // namespace ragtool
