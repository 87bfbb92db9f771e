// Streams 200,000 lines (about 20 MB) from a child through runRag into a RagSession and
// compares the rate with the same bytes read raw from `cat` through a pipe. Also prints
// the longest time the event loop was blocked, measured by a 1 ms timer.
//
// Run without arguments. The program plays rag itself when started with "ask".
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "stallmeter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

using bench::StallMeter;

constexpr int lineCount = 200000;

QByteArray output()
{
    QByteArray bytes;
    bytes.reserve(lineCount * 101);
    char line[160];
    for (int i = 1; i <= lineCount; ++i) {
        const int n = std::snprintf(line, sizeof line, "%sline %08d %s\n", i % 10 == 0 ? "INFO " : "", i,
                                    "the quick brown fox jumps over the lazy dog, then rests by the river bank and sleeps well");
        bytes.append(line, n);
    }
    return bytes;
}

int playRag()
{
    const QByteArray bytes = qEnvironmentVariableIsSet("BENCH_ONE_LINE") ? QByteArray(50 * 1024 * 1024, 'x') : output();
    for (qsizetype at = 0; at < bytes.size();) {
        const ssize_t written = ::write(1, bytes.constData() + at, size_t(std::min<qsizetype>(bytes.size() - at, 1 << 20)));
        if (written <= 0)
            return 1;
        at += written;
    }
    return 0;
}

struct Result
{
    double seconds;
    qint64 lines;
    double stallMs;
};

Result throughSession(tovik::RagSettings &settings, StallMeter &meter, qint64 *answerSize = nullptr)
{
    tovik::RagSession session(&settings);
    QEventLoop loop;
    QObject::connect(&session, &tovik::RagSession::isBusyChanged, &loop, [&] {
        if (!session.isBusy())
            loop.quit();
    });
    session.setQuestion(QStringLiteral("benchmark"));
    meter.start();
    QElapsedTimer clock;
    clock.start();
    session.ask();
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double stall = meter.stopMs();
    // Appends are announced a batch at a time: the lines are counted in the texts.
    const qint64 lines = session.answerText().count(u'\n') + session.logText().count(u'\n');
    if (answerSize)
        *answerSize = session.answerText().size();
    if (session.hasErrorMessage())
        std::fprintf(stderr, "error: %s\n", qPrintable(session.errorMessageText()));
    return {seconds, lines, stall};
}

Result throughCat(const QString &file, StallMeter &meter)
{
    QProcess cat;
    qint64 bytes = 0;
    qint64 newlines = 0;
    QObject::connect(&cat, &QProcess::readyReadStandardOutput, &cat, [&] {
        const QByteArray chunk = cat.readAllStandardOutput();
        bytes += chunk.size();
        newlines += chunk.count('\n');
    });
    QEventLoop loop;
    QObject::connect(&cat, &QProcess::finished, &loop, &QEventLoop::quit);
    meter.start();
    QElapsedTimer clock;
    clock.start();
    cat.start(QStringLiteral("cat"), {file});
    loop.exec();
    const QByteArray rest = cat.readAllStandardOutput();
    newlines += rest.count('\n');
    return {double(clock.nsecsElapsed()) / 1e9, newlines, meter.stopMs()};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "ask") == 0)
        return playRag();

    // Keep the user's own settings out of it.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));

    QCoreApplication app(argc, argv);
    const QByteArray bytes = output();
    const QString file = home.filePath(QStringLiteral("output.txt"));
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            return 1;
    }

    tovik::RagSettings settings;
    settings.setRagPath(QCoreApplication::applicationFilePath());
    settings.setWorkingDirectory(home.path());
    StallMeter meter;

    const double megabytes = double(bytes.size()) / (1024.0 * 1024.0);
    std::printf("%d lines, %.1f MB per run\n", lineCount, megabytes);
    std::vector<double> sessionRates, catRates, sessionStalls, catStalls;
    for (int round = 1; round <= 3; ++round) {
        const Result session = throughSession(settings, meter);
        const Result raw = throughCat(file, meter);
        if (session.lines != lineCount || raw.lines != lineCount)
            std::printf("  round %d: LINE COUNT MISMATCH session %lld cat %lld\n", round,
                        static_cast<long long>(session.lines), static_cast<long long>(raw.lines));
        std::printf("  round %d: runRag -> RagSession %9.0f lines/s (%6.1f MB/s, %.3f s, longest stall %5.1f ms)"
                    " | cat through a pipe %9.0f lines/s (%6.1f MB/s, %.3f s, longest stall %5.1f ms)\n",
                    round, session.lines / session.seconds, megabytes / session.seconds, session.seconds,
                    session.stallMs, raw.lines / raw.seconds, megabytes / raw.seconds, raw.seconds, raw.stallMs);
        sessionRates.push_back(session.lines / session.seconds);
        catRates.push_back(raw.lines / raw.seconds);
        sessionStalls.push_back(session.stallMs);
        catStalls.push_back(raw.stallMs);
    }
    std::printf("median: runRag -> RagSession %.0f lines/s, cat %.0f lines/s (ratio %.2f)\n",
                median(sessionRates), median(catRates), median(sessionRates) / median(catRates));
    std::printf("longest event-loop stall: runRag %.1f ms (target < 50 ms), cat %.1f ms\n",
                *std::max_element(sessionStalls.begin(), sessionStalls.end()),
                *std::max_element(catStalls.begin(), catStalls.end()));

    // One 50 MB line without a line end: it must not freeze the loop either.
    qputenv("BENCH_ONE_LINE", "1");
    qint64 answerSize = 0;
    const Result oneLine = throughSession(settings, meter, &answerSize);
    std::printf("50 MB on one line: %.3f s, %lld line(s), %lld characters kept, longest stall %.1f ms\n",
                oneLine.seconds, static_cast<long long>(oneLine.lines), static_cast<long long>(answerSize),
                oneLine.stallMs);
    return 0;
}
