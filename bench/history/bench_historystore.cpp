// Times the history store on a history of 10,000 saved questions: opening it
// (which loads the whole list) and saving one more question into it.
// Usage: bench_historystore [folder for the file, default a temporary folder]
#include "history/questionhistorystore.h"
#include "historyfill.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace tovik;

namespace {

constexpr int recordCount = 10'000;

void report(const char *what, QList<double> millis)
{
    std::sort(millis.begin(), millis.end());
    const auto at = [&](double share) { return millis.at(qMin(millis.size() - 1, qsizetype(share * millis.size()))); };
    std::printf("%-34s runs %3lld  min %8.3f ms  median %8.3f ms  p90 %8.3f ms  max %8.3f ms\n", what,
                static_cast<long long>(millis.size()), millis.first(), at(0.5), at(0.9), millis.last());
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString path = folder + QStringLiteral("/bench-questions.sqlite");
    QFile::remove(path);
    if (!bench::fillHistory(path, recordCount)) {
        std::fprintf(stderr, "could not fill %s\n", qPrintable(path));
        return 1;
    }
    std::printf("history file %s: %d records, %.1f MB\n", qPrintable(path), recordCount,
                double(QFileInfo(path).size()) / 1e6);

    QList<double> loads;
    for (int run = 0; run < 15; ++run) {
        QElapsedTimer timer;
        timer.start();
        QuestionHistoryStore store(path, {});
        store.openIfNeeded();
        loads.append(elapsedMs(timer));
        if (store.records().size() != recordCount || !store.lastError().isEmpty()) {
            std::fprintf(stderr, "load gave %lld records: %s\n", static_cast<long long>(store.records().size()),
                         qPrintable(store.lastError()));
            return 1;
        }
    }
    report("open + load 10,000 records", loads);

    QuestionHistoryStore store(path, {});
    store.openIfNeeded();
    const QString answer = QStringLiteral("A typical answer of about a kilobyte [來源: report.pdf p. 3]. ").repeated(16);
    QList<double> saves;
    for (int run = 0; run < 50; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto record = store.save(QStringLiteral("Benchmark question %1?").arg(run), answer,
                                       QStringLiteral("/home/user/projects/corpus"));
        saves.append(elapsedMs(timer));
        if (!record) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(store.lastError()));
            return 1;
        }
    }
    report("save 1 record into 10,000", saves);
    return 0;
}
