// Times the history store on a history of 10,000 saved questions: opening it
// (which loads the whole list) and saving one more question into it.
// Usage: bench_historystore [folder for the file, default a temporary folder]
#include "history/questionhistorystore.h"
#include "history/savedattext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

using namespace tovik;

namespace {

constexpr int recordCount = 10'000;

// Fills the file in one transaction with texts of a typical size: a one-line
// question and an answer of about 1.5 KB with citation markers.
bool fill(const QString &path)
{
    QuestionHistoryStore(path, {}).openIfNeeded(); // the real schema
    sqlite3 *database = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &database, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(database, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(database,
                       "INSERT INTO question_records (saved_at, question, answer, working_directory) "
                       "VALUES (?, ?, ?, ?)",
                       -1, &insert, nullptr);
    const QByteArray paragraph = QStringLiteral("The report says the budget grew by 12% in 2023 [來源: report.pdf p. 3]; "
                                                "預算增加的原因是人手及設備開支上升。 ")
                                     .toUtf8();
    QDateTime moment(QDate(2022, 1, 1), QTime(8, 0), Qt::UTC);
    bool ok = true;
    for (int i = 0; i < recordCount && ok; ++i) {
        moment = moment.addSecs(3'377);
        const QByteArray savedAt = formatSavedAt(moment);
        const QByteArray question = QStringLiteral("Question %1: what did the committee decide about 預算 in the "
                                                   "annual report, and who approved it?")
                                        .arg(i)
                                        .toUtf8();
        const QByteArray answer = paragraph.repeated(8 + i % 5);
        const QByteArray folder = "/home/user/projects/corpus-" + QByteArray::number(i % 7);
        sqlite3_bind_text(insert, 1, savedAt.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, question.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, answer.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, folder.constData(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(database, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(database);
    return ok;
}

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
    if (!fill(path)) {
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
