// Measures PassageIndex on the labelled passage set: precision, recall and how
// often a claim the page does not support gets no passage; then the time of one
// query, and of building the index of the longest page. Prints figures only.
// Usage: bench_passages [-v] [folder]   (-v lists every case's score and every miss)
#include "passagecases.h"
#include "preview/passageindex.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace tovik;
using namespace tovik::test;

namespace {

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    bool verbose = false;
    QString folder = QStringLiteral(TOVIK_PASSAGES_DIR);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0)
            verbose = true;
        else
            folder = QString::fromLocal8Bit(argv[i]);
    }
    const QList<PassageCase> cases = loadPassageCases(folder);
    if (cases.isEmpty()) {
        std::fprintf(stderr, "no cases in %s\n", qPrintable(folder));
        return 1;
    }

    const PassageSetScore score = scorePassageSet(cases);
    std::printf("cases: %lld (%d supported, %d unsupported)\n", qlonglong(cases.size()), score.supported,
                score.unsupported);
    std::printf("precision: %.3f  recall: %.3f  none on unsupported: %.3f\n", score.precision(), score.recall(),
                score.noneRate());
    std::printf("returned length / expected length (hits): %.2f\n", score.lengthRatio);
    QMap<QString, std::pair<int, int>> byKind; // hits, cases
    for (const PassageCase &one : cases) {
        const auto found = PassageIndex(one.pageText).bestPassage(one.claim);
        const bool right = one.expected ? found && isPassageHit(*one.expected, found->range) : !found;
        byKind[one.kind].first += right ? 1 : 0;
        byKind[one.kind].second += 1;
        if (verbose)
            std::printf("  %s %.3f %-12s %s\n", right ? "  " : "✗ ", found ? found->score : 0.0,
                        qPrintable(one.kind), qPrintable(one.claim.left(70)));
    }
    for (auto it = byKind.cbegin(); it != byKind.cend(); ++it)
        std::printf("  %-12s %d/%d right\n", qPrintable(it.key()), it.value().first, it.value().second);
    if (verbose) {
        for (const QString &failure : score.failures)
            std::printf("  miss: %s\n", qPrintable(QString(failure).replace(u'\n', u' ')));
    }

    // Every page indexed once, as a preview does; each claim queried repeatedly.
    QHash<QString, PassageIndex> indexes;
    for (const PassageCase &one : cases) {
        if (!indexes.contains(one.page))
            indexes.insert(one.page, PassageIndex(one.pageText));
    }
    std::vector<double> queries;
    for (int round = 0; round < 20; ++round) {
        for (const PassageCase &one : cases) {
            const PassageIndex &index = indexes[one.page];
            QElapsedTimer timer;
            timer.start();
            const auto found = index.bestPassage(one.claim);
            queries.push_back(elapsedMs(timer));
            Q_UNUSED(found);
        }
    }
    std::printf("query, all cases: median %.3f ms, slowest %.3f ms\n", median(queries),
                *std::max_element(queries.begin(), queries.end()));

    const auto longest = std::max_element(cases.cbegin(), cases.cend(), [](const PassageCase &a, const PassageCase &b) {
        return a.pageText.size() < b.pageText.size();
    });
    const qsizetype words = longest->pageText.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts).size();
    std::vector<double> builds;
    for (int round = 0; round < 20; ++round) {
        QElapsedTimer timer;
        timer.start();
        const PassageIndex index(longest->pageText);
        builds.push_back(elapsedMs(timer));
    }
    std::vector<double> longQueries;
    const PassageIndex longIndex(longest->pageText);
    for (int round = 0; round < 50; ++round) {
        for (const PassageCase &one : cases) {
            QElapsedTimer timer;
            timer.start();
            const auto found = longIndex.bestPassage(one.claim);
            longQueries.push_back(elapsedMs(timer));
            Q_UNUSED(found);
        }
    }
    std::printf("page of %lld words (%s): index build median %.3f ms; query median %.3f ms, slowest %.3f ms\n",
                qlonglong(words), qPrintable(longest->page), median(builds), median(longQueries),
                *std::max_element(longQueries.begin(), longQueries.end()));

    const QString hugeClaim = longest->pageText.repeated(100 * 1024 / longest->pageText.size() + 1);
    QElapsedTimer timer;
    timer.start();
    const auto found = longIndex.bestPassage(hugeClaim);
    std::printf("claim of %lld KB on that page: %.3f ms\n", qlonglong(hugeClaim.size() / 1024), elapsedMs(timer));
    Q_UNUSED(found);
    return 0;
}
