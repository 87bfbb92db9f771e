// Memory of one semantic search over 30 saved questions through the HTTP
// embedding model, against model servers whose vectors grow from the usual to
// hostile. Each case runs in a child process of its own so that its peak
// resident size (VmHWM) is its own.
#include "../../tests/core/modelserver/fakemodelserver.h"
#include "modelserver/httpembeddingmodel.h"
#include "modelserver/modelserverprotocol.h"
#include "modelserver/modelservertransport.h"
#include "search/historysemanticsearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>

#include <cstdio>

using namespace tovik;
using test::FakeModelServer;

namespace {

struct Case
{
    const char *label;
    qsizetype numbers; // per vector
    double value;      // every number; "1" takes two bytes of JSON, "0.123456" nine
};

const Case cases[] = {
    {"usual: 1,024 numbers", 1024, 0.123456},
    {"largest that fit a reply: 500,000 numbers", 500'000, 1.0},
    {"hostile: 1,000,000 numbers, ~10 MB a reply", 1'000'000, 0.123456},
};

double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// The search, in a child process: its peak is the client's alone.
int runSearch(const Case &c, const QString &serverURL)
{
    SemanticSetup setup;
    const QUrl base = *ModelServerProtocol::baseURL(serverURL);
    setup.makeModel = [base](EmbeddingLanguage) { return std::make_unique<HttpEmbeddingModel>(base, QStringLiteral("bge-m3")); };
    HistorySemanticSearch search(setup);
    QList<QuestionRecord> records;
    for (int i = 0; i < 30; ++i)
        records.append({30 - i, {}, QStringLiteral("Saved question %1 about the tax return").arg(i),
                        QStringLiteral("An answer that explains item %1 of the report.").arg(i), {}});

    const double before = peakMegabytes();
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    search.matchingIDs(records, QStringLiteral("when is the tax return due"), &loop, [&](const QList<qint64> &) { loop.quit(); });
    loop.exec();
    std::printf("  %-44s peak %6.1f MB  growth %6.1f MB  %6lld ms", c.label, peakMegabytes(), peakMegabytes() - before,
                qlonglong(timer.elapsed()));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() > 2)
        return runSearch(cases[arguments.at(1).toInt()], arguments.at(2));

    std::printf("one semantic search over 30 records (60 texts) through a model server on loopback;\n"
                "replies are cut off above %lld bytes, the vector cache holds at most %lld bytes\n",
                qlonglong(ModelServerTransport::maximumReplyBytes), qlonglong(SemanticRanker::cacheByteLimit));
    std::fflush(stdout);
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const QByteArray reply = FakeModelServer::embedding(QList<double>(cases[i].numbers, cases[i].value));
        FakeModelServer server;
        server.setReply("/v1/models", {200, FakeModelServer::modelList({QStringLiteral("bge-m3")})});
        server.setReply("/v1/embeddings", {200, reply});
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::number(i), server.baseURL()});
        child.waitForFinished(-1);
        std::printf("  reply %5.2f MB  embeddings asked %lld\n", reply.size() / 1e6,
                    qlonglong(server.requestsFor("/v1/embeddings").size()));
        std::fflush(stdout);
    }
    return 0;
}
