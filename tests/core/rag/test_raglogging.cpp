#include "rag/ragoutputstream.h"
#include "ragtestsupport.h"
#include "support/isolatedhome.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

struct Message
{
    QtMsgType type;
    QString category;
    QString text;
};

QList<Message> &messages()
{
    static QList<Message> all;
    return all;
}

void collect(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    messages().append({type, QString::fromUtf8(context.category), text});
}

// The tovik.rag messages of one run of `script` under /bin/sh.
QStringList ragMessagesOfRun(const QString &script, const QString &directory)
{
    messages().clear();
    bool ended = false;
    QObject context;
    RagOutputStream::start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}, directory,
                           QProcessEnvironment::systemEnvironment(), &context, [](const RagLine &) {},
                           [&](const std::optional<RagCommandError> &) { ended = true; });
    if (!spinUntil([&] { return ended; }))
        qFatal("the run never ended");
    QStringList texts;
    for (const Message &message : std::as_const(messages())) {
        if (message.category == QLatin1String("tovik.rag"))
            texts.append(message.text);
    }
    return texts;
}

} // namespace

class TestRagLogging : public QObject
{
    Q_OBJECT

public:
    static void initMain() { isolateHome(); }

private Q_SLOTS:
    void initTestCase() { m_previous = qInstallMessageHandler(collect); }
    void cleanupTestCase() { qInstallMessageHandler(m_previous); }
    void cleanup() { QLoggingCategory::setFilterRules(QString()); }

    void quietUnlessAsked();
    void enabledRuleLogsCommandAndExitStatus();

private:
    QtMessageHandler m_previous = nullptr;
    QTemporaryDir m_dir;
};

void TestRagLogging::quietUnlessAsked()
{
    QCOMPARE(ragMessagesOfRun(QStringLiteral("exit 3"), m_dir.path()), QStringList());
}

void TestRagLogging::enabledRuleLogsCommandAndExitStatus()
{
    QLoggingCategory::setFilterRules(QStringLiteral("tovik.*=true"));
    const QStringList lines = ragMessagesOfRun(QStringLiteral("echo hi; exit 3"), m_dir.path());
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].contains(QStringLiteral("/bin/sh")) && lines[0].contains(QStringLiteral("echo hi; exit 3"))
                 && lines[0].contains(m_dir.path()),
             qPrintable(lines[0]));
    QVERIFY2(lines[1].contains(QStringLiteral("exited with status 3")), qPrintable(lines[1]));
    QCOMPARE(messages().first().type, QtInfoMsg);
}

QTEST_GUILESS_MAIN(TestRagLogging)
#include "test_raglogging.moc"
