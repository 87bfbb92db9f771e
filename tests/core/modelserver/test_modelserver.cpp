#include "fakemodelserver.h"
#include "modelserver/httpembeddingmodel.h"
#include "modelserver/httplanguagemodel.h"
#include "modelserver/modelserverprotocol.h"
#include "modelserver/modelserversettings.h"
#include "system/settingsstore.h"
#include "search/historyassistant.h"
#include "search/historysemanticsearch.h"
#include "support/isolatedhome.h"
#include "support/onworker.h"
#include "support/refusingaddress.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

using namespace tovik;
using test::FakeModelServer;
using test::refusingAddress;

namespace {

const HttpEmbeddingModel::Timing quickEmbedding{400, 400, 30000};
const HttpLanguageModel::Timing quickLanguage{400, 400, 30000};

QUrl baseOf(const FakeModelServer &server)
{
    return *ModelServerProtocol::baseURL(server.baseURL());
}

QJsonObject jsonOf(const QByteArray &body)
{
    return QJsonDocument::fromJson(body).object();
}

} // namespace

class TestModelServer : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void addressesAndLoopback_data();
    void addressesAndLoopback();

    void embeddingGoodReplyOnTheWorkerThread();
    void embeddingFailures_data();
    void embeddingFailures();
    void embeddingUnknownModel();
    void embeddingRefusedAndSilentServersAreNotAskedAgainAtOnce();
    void redirectIsNotFollowed();
    void rankingThroughTheServer();

    void availabilityIsLearnedInTheBackground();
    void assistantRequestCarriesTheSchemaAndTexts();
    void assistantFailures_data();
    void assistantFailures();
    void assistantSilentOrRefusedServer();

    void settingsPersistAndNotify();
    void checkReportsWhatAnswered();
    void checkReportsAnUnreachableServer();

private:
    template<typename Function>
    auto onWorker(Function function)
    {
        return test::onWorker(m_worker, function);
    }

    QThreadPool m_worker;
    std::unique_ptr<ModelServerSettings> m_settings;
};

void TestModelServer::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::HongKong));
    m_worker.setMaxThreadCount(1);
    m_worker.setExpiryTimeout(-1);
}

void TestModelServer::cleanup()
{
    m_settings.reset();
    makeSettingsStore()->clear();
}

void TestModelServer::addressesAndLoopback_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<bool>("loopback");
    QTest::newRow("default") << QString::fromLatin1(ModelServerSettings::defaultServerURL) << true << true;
    QTest::newRow("localhost") << QStringLiteral("http://localhost:1234/v1/") << true << true;
    QTest::newRow("ipv6 loopback") << QStringLiteral("http://[::1]:8080/v1") << true << true;
    QTest::newRow("127.8.8.8") << QStringLiteral("http://127.8.8.8/v1") << true << true;
    QTest::newRow("lan") << QStringLiteral("http://192.168.1.20:11434/v1") << true << false;
    QTest::newRow("named host") << QStringLiteral("https://models.example.com/v1") << true << false;
    QTest::newRow("no scheme") << QStringLiteral("127.0.0.1:11434/v1") << false << false;
    QTest::newRow("file") << QStringLiteral("file:///tmp/x") << false << false;
    QTest::newRow("empty") << QString() << false << false;
}

void TestModelServer::addressesAndLoopback()
{
    QFETCH(QString, typed);
    QFETCH(bool, usable);
    QFETCH(bool, loopback);
    const auto base = ModelServerProtocol::baseURL(typed);
    QCOMPARE(base.has_value(), usable);
    if (base) {
        QCOMPARE(ModelServerProtocol::isLoopback(*base), loopback);
        QVERIFY(ModelServerProtocol::endpoint(*base, QStringLiteral("embeddings")).path().endsWith(QStringLiteral("/v1/embeddings")));
    }
}

void TestModelServer::embeddingGoodReplyOnTheWorkerThread()
{
    FakeModelServer server;
    server.setReply("/v1/models", {200, FakeModelServer::modelList({QStringLiteral("bge-m3:latest")}), false, {}});
    server.setReply("/v1/embeddings", {200, FakeModelServer::embedding({0.25, -0.5, 1.0}), false, {}});
    HttpEmbeddingModel model(baseOf(server), QStringLiteral("bge-m3"), quickEmbedding);

    const auto [assets, result] = onWorker([&] { return std::pair(model.hasAvailableAssets(), model.embed(QStringLiteral("稅務 tax"))); });
    QVERIFY(assets);
    QVERIFY(result);
    QCOMPARE(result->dimension, 3);
    QCOMPARE(result->tokenVectors, (QList<QList<double>>{{0.25, -0.5, 1.0}}));
    const auto sent = server.requestsFor("/v1/embeddings");
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.first().method, QByteArray("POST"));
    QCOMPARE(jsonOf(sent.first().body).value(QStringLiteral("model")).toString(), QStringLiteral("bge-m3"));
    QCOMPARE(jsonOf(sent.first().body).value(QStringLiteral("input")).toString(), QStringLiteral("稅務 tax"));
    onWorker([&] { model.hasAvailableAssets(); return 0; });
    QCOMPARE(server.requestsFor("/v1/models").size(), 1); // a positive answer is kept
}

void TestModelServer::embeddingFailures_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("HTTP 500") << 500 << QByteArray(R"({"error":{"message":"model crashed"}})");
    QTest::newRow("malformed JSON") << 200 << QByteArray(R"({"data":[{"embedding":[0.1,)");
    QTest::newRow("missing embedding") << 200 << QByteArray(R"({"data":[{"index":0}]})");
    QTest::newRow("no data") << 200 << QByteArray(R"({"object":"list"})");
    QTest::newRow("not numbers") << 200 << QByteArray(R"({"data":[{"embedding":["a","b"]}]})");
    QTest::newRow("empty vector") << 200 << QByteArray(R"({"data":[{"embedding":[]}]})");
}

void TestModelServer::embeddingFailures()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    FakeModelServer server;
    server.setReply("/v1/embeddings", {status, body, false, {}});
    HttpEmbeddingModel model(baseOf(server), QStringLiteral("bge-m3"), quickEmbedding);
    QVERIFY(!onWorker([&] { return model.embed(QStringLiteral("tax")); }));
    // A bad answer for one text does not make the server count as gone.
    QVERIFY(!onWorker([&] { return model.embed(QStringLiteral("other")); }));
    QCOMPARE(server.requestsFor("/v1/embeddings").size(), 2);
}

void TestModelServer::embeddingUnknownModel()
{
    FakeModelServer server;
    server.setReply("/v1/models", {200, FakeModelServer::modelList({QStringLiteral("nomic-embed-text:latest")}), false, {}});
    server.setReply("/v1/embeddings", {404, R"({"error":{"message":"model \"bge-m3\" not found"}})", false, {}});
    HttpEmbeddingModel model(baseOf(server), QStringLiteral("bge-m3"), quickEmbedding);
    QVERIFY(!onWorker([&] { return model.hasAvailableAssets(); }));
    QVERIFY(!onWorker([&] { return model.embed(QStringLiteral("tax")); }));
    // The missing model is believed for a while rather than asked about per search.
    QVERIFY(!onWorker([&] { return model.hasAvailableAssets(); }));
    QCOMPARE(server.requestsFor("/v1/models").size(), 1);
}

void TestModelServer::embeddingRefusedAndSilentServersAreNotAskedAgainAtOnce()
{
    {
        HttpEmbeddingModel model(*ModelServerProtocol::baseURL(refusingAddress()), QStringLiteral("bge-m3"), quickEmbedding);
        QVERIFY(!onWorker([&] { return model.hasAvailableAssets(); }));
        QVERIFY(!onWorker([&] { return model.embed(QStringLiteral("tax")); }));
    }
    FakeModelServer server;
    server.setReply("/v1/embeddings", {200, {}, true, {}});
    HttpEmbeddingModel model(baseOf(server), QStringLiteral("bge-m3"), quickEmbedding);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!onWorker([&] { return model.embed(QStringLiteral("tax")); }));
    QVERIFY(timer.elapsed() >= 300);
    timer.restart();
    QVERIFY(!onWorker([&] { return model.embed(QStringLiteral("more")); }));
    QVERIFY(!onWorker([&] { return model.hasAvailableAssets(); }));
    QCOMPARE(server.requestsFor("/v1/embeddings").size(), 1);
    QVERIFY(server.requestsFor("/v1/models").isEmpty());
}

void TestModelServer::redirectIsNotFollowed()
{
    FakeModelServer elsewhere;
    elsewhere.setReply("/v1/embeddings", {200, FakeModelServer::embedding({1.0}), false, {}});
    FakeModelServer server;
    server.setReply("/v1/embeddings",
                    {307, {}, false, "Location: " + elsewhere.baseURL().toUtf8() + "/embeddings\r\n"});
    HttpEmbeddingModel model(baseOf(server), QStringLiteral("bge-m3"), quickEmbedding);
    QVERIFY(!onWorker([&] { return model.embed(QStringLiteral("tax")); }));
    QVERIFY(elsewhere.requests().isEmpty());
}

void TestModelServer::rankingThroughTheServer()
{
    FakeModelServer server;
    server.setReply("/v1/models", {200, FakeModelServer::modelList({QStringLiteral("bge-m3")}), false, {}});
    server.setReply("/v1/embeddings", {200, FakeModelServer::embedding({0.6, 0.8}), false, {}});
    m_settings = std::make_unique<ModelServerSettings>();
    m_settings->setModelServerURL(server.baseURL());
    m_settings->setChineseEmbeddingModel(QStringLiteral("bge-m3"));

    HistorySemanticSearch search(HistorySemanticSearch::setupFrom(*m_settings));
    QuestionRecord a{1, {}, QStringLiteral("稅務期限"), QString(), QString()};
    QuestionRecord b{2, {}, QStringLiteral("年報"), QString(), QString()};
    std::optional<QList<qint64>> ids;
    search.matchingIDs({a, b}, QStringLiteral("稅務"), this, [&](const QList<qint64> &result) { ids = result; });
    QTRY_VERIFY(ids.has_value());
    QCOMPARE(*ids, (QList<qint64>{2, 1}));
    // No English model named: an English query asks nothing.
    const qsizetype asked = server.requests().size();
    ids.reset();
    search.matchingIDs({a, b}, QStringLiteral("tax"), this, [&](const QList<qint64> &result) { ids = result; });
    QTRY_VERIFY(ids.has_value());
    QVERIFY(ids->isEmpty());
    QCOMPARE(server.requests().size(), asked);
}

void TestModelServer::availabilityIsLearnedInTheBackground()
{
    FakeModelServer server;
    server.setReply("/v1/models", {200, FakeModelServer::modelList({QStringLiteral("qwen2.5:3b")}), false, {}});
    m_settings = std::make_unique<ModelServerSettings>();
    m_settings->setModelServerURL(server.baseURL());
    m_settings->setAssistantModel(QStringLiteral("qwen2.5:3b"));
    HttpLanguageModel model(*m_settings, quickLanguage);
    QSignalSpy checked(&model, &HttpLanguageModel::availabilityChecked);
    QVERIFY(!model.isAvailable()); // answers at once, before the check
    QVERIFY(checked.wait());
    QVERIFY(model.isAvailable());

    m_settings->setAssistantModel(QStringLiteral("llama3.2"));
    QVERIFY(checked.wait());
    QVERIFY(!model.isKnownAvailable());
    m_settings->setAssistantModel(QString());
    QVERIFY(!model.isKnownAvailable());
}

void TestModelServer::assistantRequestCarriesTheSchemaAndTexts()
{
    FakeModelServer server;
    server.setReply("/v1/chat/completions",
                    {200, FakeModelServer::chatContent(QStringLiteral(R"({"excludedPhrases":["陳大文"],"wantsAbsence":true})")), false, {}});
    m_settings = std::make_unique<ModelServerSettings>();
    m_settings->setModelServerURL(server.baseURL());
    m_settings->setAssistantModel(QStringLiteral("qwen2.5:3b"));
    HttpLanguageModel model(*m_settings, quickLanguage);
    HistoryAssistant assistant(model);

    std::optional<std::optional<HistorySearchReading>> answer;
    assistant.askAssistant(QStringLiteral("冇提過陳大文"), this, [&](const auto &reading) { answer = reading; });
    QTRY_VERIFY(answer.has_value());
    QVERIFY(answer->has_value());
    QCOMPARE(**answer, (HistorySearchReading{{QStringLiteral("陳大文")}, true}));

    const auto sent = server.requestsFor("/v1/chat/completions");
    QCOMPARE(sent.size(), 1);
    const QJsonObject body = jsonOf(sent.first().body);
    QCOMPARE(body.value(QStringLiteral("model")).toString(), QStringLiteral("qwen2.5:3b"));
    QCOMPARE(body.value(QStringLiteral("stream")).toBool(true), false);
    QVERIFY(!body.contains(QStringLiteral("temperature")));
    QVERIFY(!body.contains(QStringLiteral("max_tokens")));
    const QJsonArray messages = body.value(QStringLiteral("messages")).toArray();
    QCOMPARE(messages.size(), 2);
    const QString instructions = messages.at(0).toObject().value(QStringLiteral("content")).toString();
    QCOMPARE(instructions,
             QStringLiteral("The person's locale is ") + QLocale::system().name() +
                 QStringLiteral(".\nYou read one search sentence about saved questions and answers. The sentence may be Cantonese.\n"
                                "If the person says someone or something was not mentioned, did not appear, or should be left "
                                "out, copy only that name or phrase into excludedPhrases and set wantsAbsence to true.\n"
                                "Example: 冇提過陳大文 excludes 陳大文 and wantsAbsence is true. A saved question about who "
                                "陳大文 is related to does not match.\n"
                                "If the person is asking about a name, wantsAbsence is false and excludedPhrases is empty.\n"
                                "An ordinary topic search leaves excludedPhrases empty and wantsAbsence false.\n"
                                "Copy phrases from the sentence. Do not translate them."));
    QCOMPARE(messages.at(0).toObject().value(QStringLiteral("role")).toString(), QStringLiteral("system"));
    QCOMPARE(messages.at(1).toObject().value(QStringLiteral("role")).toString(), QStringLiteral("user"));
    QCOMPARE(messages.at(1).toObject().value(QStringLiteral("content")).toString(), QStringLiteral("Search sentence: 冇提過陳大文"));

    const QJsonObject format = body.value(QStringLiteral("response_format")).toObject();
    QCOMPARE(format.value(QStringLiteral("type")).toString(), QStringLiteral("json_schema"));
    const QJsonObject schema = format.value(QStringLiteral("json_schema")).toObject().value(QStringLiteral("schema")).toObject();
    const QJsonObject properties = schema.value(QStringLiteral("properties")).toObject();
    QCOMPARE(properties.keys(), (QStringList{QStringLiteral("excludedPhrases"), QStringLiteral("wantsAbsence")}));
    QCOMPARE(properties.value(QStringLiteral("excludedPhrases")).toObject().value(QStringLiteral("description")).toString(),
             QStringLiteral("Names or phrases copied from the sentence that the person said were not mentioned. Empty when "
                            "nothing is excluded."));
    QCOMPARE(properties.value(QStringLiteral("wantsAbsence")).toObject().value(QStringLiteral("description")).toString(),
             QStringLiteral("True when the person wants to exclude those phrases."));
    QCOMPARE(schema.value(QStringLiteral("required")).toArray().size(), 2);
}

void TestModelServer::assistantFailures_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("HTTP 500") << 500 << QByteArray(R"({"error":"out of memory"})");
    QTest::newRow("malformed reply") << 200 << QByteArray(R"({"choices":[)");
    QTest::newRow("content not JSON") << 200 << FakeModelServer::chatContent(QStringLiteral("I think 陳大文"));
    QTest::newRow("missing field") << 200 << FakeModelServer::chatContent(QStringLiteral(R"({"excludedPhrases":["陳大文"]})"));
    QTest::newRow("wrong type") << 200
                                << FakeModelServer::chatContent(QStringLiteral(R"({"excludedPhrases":"陳大文","wantsAbsence":true})"));
    QTest::newRow("no choices") << 200 << QByteArray(R"({"choices":[]})");
    QTest::newRow("unknown model") << 404 << QByteArray(R"({"error":{"message":"model \"qwen2.5:3b\" not found, try pulling it first"}})");
}

void TestModelServer::assistantFailures()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    FakeModelServer server;
    server.setReply("/v1/chat/completions", {status, body, false, {}});
    m_settings = std::make_unique<ModelServerSettings>();
    m_settings->setModelServerURL(server.baseURL());
    m_settings->setAssistantModel(QStringLiteral("qwen2.5:3b"));
    HttpLanguageModel model(*m_settings, quickLanguage);
    HistoryAssistant assistant(model);
    std::optional<std::optional<HistorySearchReading>> answer;
    assistant.askAssistant(QStringLiteral("冇提過陳大文"), this, [&](const auto &reading) { answer = reading; });
    QTRY_VERIFY(answer.has_value());
    QVERIFY(!answer->has_value());
}

void TestModelServer::assistantSilentOrRefusedServer()
{
    for (const bool silent : {true, false}) {
        FakeModelServer server;
        server.setReply("/v1/models", {200, FakeModelServer::modelList({QStringLiteral("qwen2.5:3b")}), false, {}});
        server.setReply("/v1/chat/completions", {200, {}, true, {}});
        m_settings = std::make_unique<ModelServerSettings>();
        m_settings->setModelServerURL(server.baseURL());
        m_settings->setAssistantModel(QStringLiteral("qwen2.5:3b"));
        HttpLanguageModel model(*m_settings, quickLanguage);
        QSignalSpy checked(&model, &HttpLanguageModel::availabilityChecked);
        QVERIFY(checked.wait());
        QVERIFY(model.isKnownAvailable());
        if (!silent)
            m_settings->setModelServerURL(refusingAddress());

        HistoryAssistant assistant(model);
        std::optional<std::optional<HistorySearchReading>> answer;
        QElapsedTimer timer;
        timer.start();
        assistant.askAssistant(QStringLiteral("冇提過陳大文"), this, [&](const auto &reading) { answer = reading; });
        QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 3000);
        QVERIFY(!answer->has_value());
        if (silent)
            QVERIFY(timer.elapsed() >= 350);
        // Until the next check, the assistant counts as not ready.
        QVERIFY(!model.isKnownAvailable());
        m_settings.reset();
    }
}

void TestModelServer::settingsPersistAndNotify()
{
    m_settings = std::make_unique<ModelServerSettings>();
    QCOMPARE(m_settings->modelServerURL(), QStringLiteral("http://127.0.0.1:11434/v1"));
    QCOMPARE(m_settings->englishDistanceThreshold(), 0.142);
    QCOMPARE(m_settings->chineseDistanceThreshold(), 0.23);
    QVERIFY(m_settings->assistantModel().isEmpty());

    QSignalSpy changed(m_settings.get(), &ModelServerSettings::settingsChanged);
    QSignalSpy url(m_settings.get(), &ModelServerSettings::modelServerURLChanged);
    m_settings->setModelServerURL(QStringLiteral("http://localhost:8080/v1"));
    m_settings->setModelServerURL(QStringLiteral("http://localhost:8080/v1"));
    m_settings->setEnglishEmbeddingModel(QStringLiteral("nomic-embed-text"));
    m_settings->setChineseEmbeddingModel(QStringLiteral("bge-m3"));
    m_settings->setAssistantModel(QStringLiteral("qwen2.5:3b"));
    m_settings->setEnglishDistanceThreshold(0.3);
    m_settings->setChineseDistanceThreshold(-1);  // refused
    m_settings->setChineseDistanceThreshold(qQNaN()); // refused
    QCOMPARE(url.size(), 1);
    QCOMPARE(changed.size(), 5);

    const auto store = makeSettingsStore();
    QCOMPARE(store->value(QStringLiteral("modelServerURL")).toString(), QStringLiteral("http://localhost:8080/v1"));
    QCOMPARE(store->value(QStringLiteral("englishEmbeddingModel")).toString(), QStringLiteral("nomic-embed-text"));
    QCOMPARE(store->value(QStringLiteral("chineseEmbeddingModel")).toString(), QStringLiteral("bge-m3"));
    QCOMPARE(store->value(QStringLiteral("assistantModel")).toString(), QStringLiteral("qwen2.5:3b"));
    QCOMPARE(store->value(QStringLiteral("englishDistanceThreshold")).toDouble(), 0.3);
    QVERIFY(!store->contains(QStringLiteral("chineseDistanceThreshold")));

    store->setValue(QStringLiteral("chineseDistanceThreshold"), QStringLiteral("wide"));
    ModelServerSettings again;
    QCOMPARE(again.modelServerURL(), QStringLiteral("http://localhost:8080/v1"));
    QCOMPARE(again.englishDistanceThreshold(), 0.3);
    QCOMPARE(again.chineseDistanceThreshold(), 0.23);
}

void TestModelServer::checkReportsWhatAnswered()
{
    FakeModelServer server;
    server.setReply("/v1/models",
                    {200, FakeModelServer::modelList({QStringLiteral("bge-m3:latest"), QStringLiteral("qwen2.5:3b")}), false, {}});
    server.setReply("/v1/embeddings", {200, FakeModelServer::embedding({0.1, 0.2, 0.3, 0.4}), false, {}});
    m_settings = std::make_unique<ModelServerSettings>();
    m_settings->setModelServerURL(server.baseURL());
    m_settings->setEnglishEmbeddingModel(QStringLiteral("bge-m3"));
    m_settings->setChineseEmbeddingModel(QStringLiteral("missing-model"));
    m_settings->setAssistantModel(QStringLiteral("qwen2.5:3b"));
    m_settings->setCheckTimeout(400);

    QSignalSpy report(m_settings.get(), &ModelServerSettings::checkReportChanged);
    m_settings->check();
    QVERIFY(m_settings->isChecking());
    QVERIFY(report.wait());
    QVERIFY(!m_settings->isChecking());
    const QStringList lines = m_settings->checkReport().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QStringLiteral("The model server at %1 answered and offers 2 models.").arg(server.baseURL()));
    QCOMPARE(lines.at(1), QStringLiteral("English embeddings: bge-m3 answered with 4 numbers per text."));
    QCOMPARE(lines.at(2), QStringLiteral("Chinese embeddings: missing-model answered with 4 numbers per text."));
    QCOMPARE(lines.at(3), QStringLiteral("Assistant: qwen2.5:3b is ready."));

    // The server refuses to embed: a listed model is reported with the server's
    // reason, an unlisted one as missing.
    server.setReply("/v1/embeddings", {404, R"({"error":{"message":"model not found"}})", false, {}});
    m_settings->setAssistantModel(QString());
    m_settings->check();
    QVERIFY(report.wait());
    QCOMPARE(m_settings->checkReport().split(QLatin1Char('\n')).mid(1),
             (QStringList{QStringLiteral("English embeddings: bge-m3 gave no embedding (HTTP 404: model not found)."),
                          QStringLiteral("Chinese embeddings: the server has no model named missing-model."),
                          QStringLiteral("Assistant: no model named; negation rules are used on their own.")}));
}

void TestModelServer::checkReportsAnUnreachableServer()
{
    m_settings = std::make_unique<ModelServerSettings>();
    m_settings->setCheckTimeout(400);
    m_settings->setModelServerURL(refusingAddress());
    QSignalSpy report(m_settings.get(), &ModelServerSettings::checkReportChanged);
    m_settings->check();
    QVERIFY(report.wait());
    QVERIFY(m_settings->checkReport().startsWith(QStringLiteral("Couldn't reach the model server at ")));

    FakeModelServer silent;
    silent.setReply("/v1/models", {200, {}, true, {}});
    m_settings->setModelServerURL(silent.baseURL());
    m_settings->check();
    QVERIFY(report.wait());
    QCOMPARE(m_settings->checkReport(), QStringLiteral("The model server at %1 didn't respond.").arg(silent.baseURL()));

    m_settings->setModelServerURL(QStringLiteral("localhost:11434"));
    m_settings->check();
    QVERIFY(report.wait());
    QCOMPARE(m_settings->checkReport(), QStringLiteral("\"localhost:11434\" isn't an http:// or https:// address."));
}

QTEST_GUILESS_MAIN(TestModelServer)
#include "test_modelserver.moc"
