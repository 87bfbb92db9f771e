// Test helper: starts the fake rag given as the only argument in its "stubborn" mode
// (it ignores SIGTERM), passes the child's "pid <n>" line on to standard output, and
// then quits the application with the child still running.
#include "rag/ragoutputstream.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcessEnvironment>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    // Short, so the test does not sit through the real grace period.
    tovik::RagOutputStream::setTerminationGrace(std::chrono::milliseconds(50));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("FAKE_RAG_MODE"), QStringLiteral("stubborn"));
    tovik::RagOutputStream::start(
        QString::fromLocal8Bit(argv[1]), {}, QDir::tempPath(), environment, &app,
        [](const tovik::RagLine &line) {
            std::printf("%s\n", qPrintable(line.text().toString()));
            std::fflush(stdout);
            QCoreApplication::quit();
        },
        [](const auto &) { QCoreApplication::exit(3); });
    return app.exec();
}
