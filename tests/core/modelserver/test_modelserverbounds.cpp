// A model server that answers with far more than any reply needs must cost the
// app neither its memory nor a wait for the whole body.
#include "fakemodelserver.h"
#include "modelserver/httpembeddingmodel.h"
#include "modelserver/modelserverprotocol.h"
#include "modelserver/modelservertransport.h"
#include "support/isolatedhome.h"
#include "support/onworker.h"

#include <QNetworkAccessManager>
#include <QThreadPool>
#include <QtTest>

using namespace tovik;
using test::FakeModelServer;

namespace {

constexpr qint64 limit = ModelServerTransport::maximumReplyBytes;
// Long enough that a reply still being read when it runs out cannot pass for a
// cut-off one, even in a sanitizer build.
constexpr int patientMs = 4000;

QUrl baseOf(const FakeModelServer &server)
{
    return *ModelServerProtocol::baseURL(server.baseURL());
}

} // namespace

class TestModelServerBounds : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase();

    void repliesAreReadUpToTheLimit_data();
    void repliesAreReadUpToTheLimit();
    void hugeEmbeddingMakesTheServerCountAsGone();
    void vectorsKeepTheFirstReplysDimension();

private:
    template<typename Function>
    auto onWorker(Function function)
    {
        return test::onWorker(m_worker, function);
    }

    QThreadPool m_worker;
};

void TestModelServerBounds::initTestCase()
{
    m_worker.setMaxThreadCount(1);
    m_worker.setExpiryTimeout(-1);
}

void TestModelServerBounds::repliesAreReadUpToTheLimit_data()
{
    QTest::addColumn<FakeModelServer::Reply>("reply");
    QTest::addColumn<ModelServerReply::Outcome>("outcome");
    using Outcome = ModelServerReply::Outcome;
    const QByteArray over(limit + 1, ' ');
    QTest::newRow("at the limit") << FakeModelServer::Reply{200, QByteArray(limit, ' ')} << Outcome::answered;
    QTest::newRow("over the limit") << FakeModelServer::Reply{200, over} << Outcome::tooLarge;
    QTest::newRow("error over the limit") << FakeModelServer::Reply{500, over} << Outcome::tooLarge;
    // Replies that never end: only cutting them off answers before the time-out.
    QTest::newRow("stated length over the limit")
        << FakeModelServer::Reply{200, "{", false, {}, true, limit + 1} << Outcome::tooLarge;
    QTest::newRow("no stated length, more than the limit")
        << FakeModelServer::Reply{200, over, false, {}, true, 0} << Outcome::tooLarge;
    // A small body that unpacks to more than the limit.
    QByteArray bomb = qCompress(QByteArray(2 * limit, '0'));
    bomb.remove(0, 4); // qCompress's length prefix; the rest is a zlib stream
    QTest::newRow("compressed over the limit")
        << FakeModelServer::Reply{200, bomb, false, "Content-Encoding: deflate\r\n"} << Outcome::tooLarge;
}

void TestModelServerBounds::repliesAreReadUpToTheLimit()
{
    QFETCH(FakeModelServer::Reply, reply);
    QFETCH(ModelServerReply::Outcome, outcome);
    FakeModelServer server;
    server.setReply("/v1/models", reply);
    QNetworkAccessManager manager;
    ModelServerTransport::prepare(manager, baseOf(server));
    std::optional<ModelServerReply> received;
    ModelServerTransport::send(manager,
                               ModelServerTransport::request(ModelServerProtocol::endpoint(baseOf(server), QStringLiteral("models"))),
                               nullptr, patientMs, this, [&](const ModelServerReply &answer) { received = answer; });
    QTRY_VERIFY_WITH_TIMEOUT(received.has_value(), 2 * patientMs);
    QCOMPARE(received->outcome, outcome);
    if (outcome == ModelServerReply::Outcome::answered)
        QCOMPARE(received->body.size(), limit);
    else
        QVERIFY(received->body.isEmpty());
}

void TestModelServerBounds::hugeEmbeddingMakesTheServerCountAsGone()
{
    // One million numbers in a body of about 10 MB.
    FakeModelServer server;
    server.setReply("/v1/embeddings", {200, FakeModelServer::embedding(QList<double>(1'000'000, 0.123456))});
    HttpEmbeddingModel model(baseOf(server), QStringLiteral("bge-m3"), {patientMs, patientMs, 30000});
    QVERIFY(!onWorker([&] { return model.embed(QStringLiteral("tax")); }));
    // Not asked again for the next saved question.
    QVERIFY(!onWorker([&] { return model.embed(QStringLiteral("return")); }));
    QVERIFY(!onWorker([&] { return model.hasAvailableAssets(); }));
    QCOMPARE(server.requests().size(), 1);
}

void TestModelServerBounds::vectorsKeepTheFirstReplysDimension()
{
    FakeModelServer server;
    server.setReply("/v1/embeddings", {200, FakeModelServer::embedding({0.6, 0.8, 0.0})});
    HttpEmbeddingModel model(baseOf(server), QStringLiteral("bge-m3"), {patientMs, patientMs, 30000});
    QCOMPARE(onWorker([&] { return model.embed(QStringLiteral("tax")); })->dimension, 3);

    for (const QList<double> &other : {QList<double>{0.6, 0.8}, QList<double>(4096, 0.01)}) {
        server.setReply("/v1/embeddings", {200, FakeModelServer::embedding(other)});
        QVERIFY(!onWorker([&] { return model.embed(QStringLiteral("return")); }));
    }
    // A wrong length is one bad answer, not a dead server.
    server.setReply("/v1/embeddings", {200, FakeModelServer::embedding({0.0, 1.0, 0.0})});
    const auto result = onWorker([&] { return model.embed(QStringLiteral("deadline")); });
    QVERIFY(result);
    QCOMPARE(result->tokenVectors, (QList<QList<double>>{{0.0, 1.0, 0.0}}));
    QCOMPARE(server.requests().size(), 4);
}

QTEST_GUILESS_MAIN(TestModelServerBounds)
#include "test_modelserverbounds.moc"
