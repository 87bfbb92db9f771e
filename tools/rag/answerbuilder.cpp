#include "answerbuilder.h"

#include "textlayout.h"

#include <QSet>

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
    bool heading = false; // a paragraph of one short line without closing punctuation
    double score = 0;
};

QList<Sentence> sentencesOf(const QString &body, const QList<QueryTerm> &terms)
{
    QList<Sentence> result;
    const QStringList paragraphs = body.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype p = 0; p < paragraphs.size(); ++p) {
        const QStringList sentences = text::sentences(paragraphs[p]);
        for (const QString &sentence : sentences) {
            static const QString closing = QStringLiteral(".!?:;,。！？：；，…");
            const bool heading = sentences.size() == 1 && !closing.contains(sentence.back())
                && text::weightedLength(sentence) < 100;
            result.append(Sentence{sentence, p, heading, sentenceScore(sentence, terms)});
        }
    }
    return result;
}

// The best sentence of a passage, with the next one of its paragraph when it is too short
// to stand alone. A heading is not quoted; its terms count for the sentence after it.
// With orFirst, a passage in which no sentence holds a term (the index matched a stem
// the sentence test doesn't see) still gives its first sentence.
QString bestExcerpt(const QString &body, const QList<QueryTerm> &terms, bool orFirst)
{
    const QList<Sentence> sentences = sentencesOf(body, terms);
    double bestScore = 0;
    qsizetype best = -1;
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        if (sentences[i].heading)
            continue;
        double score = sentences[i].score;
        if (i > 0 && sentences[i - 1].heading)
            score += 0.5 * sentences[i - 1].score;
        if (score > bestScore) {
            bestScore = score;
            best = i;
        }
    }
    if (best < 0) {
        for (qsizetype i = 0; i < sentences.size(); ++i) {
            if (sentences[i].score > bestScore || (orFirst && best < 0)) {
                bestScore = sentences[i].score;
                best = i;
            }
        }
    }
    if (best < 0)
        return {};
    QString excerpt = sentences[best].text;
    const qsizetype next = best + 1;
    if (text::weightedLength(excerpt) < 60 && next < sentences.size()
        && sentences[next].paragraph == sentences[best].paragraph)
        excerpt = text::join(excerpt, sentences[next].text);
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
    QStringList lines;
    QSet<QString> seen;
    if (hits.isEmpty())
        return lines;
    const double bestScore = hits.first().score; // bm25 scores are negative
    for (const CorpusDatabase::Hit &hit : hits) {
        if (lines.size() >= maxPoints)
            break;
        if (bestScore < 0 && hit.score / bestScore < minRelativeScore)
            break;
        const QString excerpt = bestExcerpt(hit.body, terms, lines.isEmpty());
        if (excerpt.isEmpty() || seen.contains(excerpt))
            continue;
        seen.insert(excerpt);
        lines.append(QStringLiteral("- ") + neutralized(excerpt) + QLatin1Char(' ') + citation(hit.filename, hit.page));
    }
    return lines;
}

} // namespace ragtool
