// Times citedPages over a large answer: ~1 MB of text holding 10,000 markers, as a long
// streamed answer might be re-scanned on every change. Prints figures only.
#include "preview/citations.h"

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QString makeAnswer(int markers, qsizetype targetUtf8Bytes)
{
    const QString fillers[] = {
        QStringLiteral("The quarterly figures show a steady rise in revenue across all regions [1]. "),
        QStringLiteral("根據報告，第三季的營收較去年同期成長，主要來自海外市場。"),
        QStringLiteral("Costs fell slightly,\nwhile (see table 4) margins improved. "),
        QStringLiteral("另外，[註] 部分數據尚待審核。"),
    };
    quint32 seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    QString answer;
    answer.reserve(targetUtf8Bytes);
    const qsizetype fillerPerMarker = targetUtf8Bytes / markers;
    for (int i = 0; i < markers; ++i) {
        qsizetype written = 0;
        // About 30 bytes of each share go to the marker; a filler overshoots by half its
        // length (~40 bytes) on average.
        while (written < fillerPerMarker - 70) {
            const QString &filler = fillers[next() % 4];
            answer += filler;
            written += filler.toUtf8().size();
        }
        const QString marker = QStringLiteral("[來源: report-%1.pdf p. %2] ").arg(next() % 40).arg(1 + next() % 300);
        answer += marker;
    }
    return answer;
}

} // namespace

int main()
{
    const QString answer = makeAnswer(10'000, 1'000'000);
    std::printf("answer: %lld UTF-16 units, %lld UTF-8 bytes, 10000 markers\n",
                static_cast<long long>(answer.size()), static_cast<long long>(answer.toUtf8().size()));

    constexpr int runs = 20;
    std::vector<double> ms;
    qsizetype found = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const QList<tovik::CitedPage> pages = tovik::citedPages(answer);
        ms.push_back(timer.nsecsElapsed() / 1e6);
        found = pages.size();
    }
    std::sort(ms.begin(), ms.end());
    double total = 0;
    for (double value : ms)
        total += value;
    std::printf("citedPages: %lld unique pages; %d runs: min %.2f ms, median %.2f ms, mean %.2f ms, max %.2f ms\n",
                static_cast<long long>(found), runs, ms.front(), ms[runs / 2], total / runs, ms.back());
    return 0;
}
