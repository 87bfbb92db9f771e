#include "system/instanceclient.h"
#include "system/instanceprotocol.h"
#include "system/instanceserver.h"
#include "support/isolatedhome.h"

#include <QBuffer>
#include <QLocalSocket>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tovik;

Q_DECLARE_METATYPE(tovik::InstanceRequest)

namespace {

// What a crashed instance leaves: a socket file nobody listens on.
bool leaveStaleSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    if (fd < 0 || size_t(encoded.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}

// The blocking client runs on a worker, so this thread's event loop can serve it.
QFuture<bool> handOverInBackground(const QString &name, const InstanceRequest &request)
{
    return QtConcurrent::run([name, request] { return InstanceClient::handOver(name, request, 5000); });
}

} // namespace

class TestInstanceProtocol : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init();

    void requestArrivesUnchanged_data();
    void requestArrivesUnchanged();
    void requestReadInPiecesOnlyWhenWhole();
    void foreignBytesAreRefused();
    void staleSocketIsReplaced();
    void runningInstanceKeepsItsName();
    void namesDifferPerDisplayAndStayInTheRuntimeFolder();

private:
    QString socketName(const QString &leaf = QStringLiteral("instance")) const { return m_dir->filePath(leaf); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestInstanceProtocol::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestInstanceProtocol::requestArrivesUnchanged_data()
{
    QTest::addColumn<InstanceRequest>("request");
    QTest::newRow("no files, only raise") << InstanceRequest{};
    QTest::newRow("spaces") << InstanceRequest{{QStringLiteral("/home/me/tax return 2024.pdf")}, {}};
    QTest::newRow("line breaks") << InstanceRequest{{QStringLiteral("/tmp/a\nb.pdf"), QStringLiteral("/tmp/c\r\n.txt")}, {}};
    QTest::newRow("non-ASCII") << InstanceRequest{
        {QStringLiteral("/home/me/報稅 資料/收據.pdf"), QStringLiteral("/home/me/naïve 😀.txt")}, QStringLiteral("tok-1")};
    QTest::newRow("empty string and many files") << InstanceRequest{
        QStringList(300, QStringLiteral("/d/file")) << QString(), QStringLiteral("token")};
}

void TestInstanceProtocol::requestArrivesUnchanged()
{
    QFETCH(InstanceRequest, request);
    InstanceServer server(socketName());
    QVERIFY2(server.listen(), qPrintable(server.errorString()));
    QSignalSpy received(&server, &InstanceServer::requestReceived);
    const QFuture<bool> handed = handOverInBackground(socketName(), request);
    QTRY_VERIFY(handed.isFinished());
    QVERIFY(handed.result());
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.first().first().value<InstanceRequest>(), request);
}

void TestInstanceProtocol::requestReadInPiecesOnlyWhenWhole()
{
    const InstanceRequest sent{{QStringLiteral("/a b/c\nd/漢字.pdf")}, QStringLiteral("t")};
    const QByteArray bytes = InstanceProtocol::encode(sent);
    QByteArray arrived;
    QBuffer buffer(&arrived);
    buffer.open(QIODevice::ReadWrite);
    InstanceRequest request;
    for (qsizetype i = 0; i + 1 < bytes.size(); ++i) {
        // A socket's bytes come in pieces: append at the end, read from where reading stopped.
        const qint64 readAt = buffer.pos();
        buffer.seek(arrived.size());
        buffer.write(bytes.mid(i, 1));
        buffer.seek(readAt);
        QCOMPARE(InstanceProtocol::read(buffer, request), InstanceProtocol::ReadResult::incomplete);
        QCOMPARE(buffer.pos(), 0);
    }
    buffer.seek(arrived.size());
    buffer.write(bytes.right(1));
    buffer.seek(0);
    QCOMPARE(InstanceProtocol::read(buffer, request), InstanceProtocol::ReadResult::complete);
    QCOMPARE(request, sent);
}

void TestInstanceProtocol::foreignBytesAreRefused()
{
    QByteArray garbage("GET / HTTP/1.1\r\n\r\n");
    QBuffer buffer(&garbage);
    buffer.open(QIODevice::ReadOnly);
    InstanceRequest request;
    QCOMPARE(InstanceProtocol::read(buffer, request), InstanceProtocol::ReadResult::malformed);

    // A server given foreign bytes drops that sender and still serves the next one.
    InstanceServer server(socketName());
    QVERIFY(server.listen());
    QSignalSpy received(&server, &InstanceServer::requestReceived);
    QLocalSocket foreign;
    foreign.connectToServer(socketName());
    QVERIFY(foreign.waitForConnected(2000));
    foreign.write(garbage);
    QTRY_COMPARE(foreign.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(received.size(), 0);
    const QFuture<bool> handed = handOverInBackground(socketName(), {{QStringLiteral("/x")}, {}});
    QTRY_VERIFY(handed.isFinished());
    QVERIFY(handed.result());
    QCOMPARE(received.size(), 1);
}

void TestInstanceProtocol::staleSocketIsReplaced()
{
    QVERIFY(leaveStaleSocket(socketName()));
    QVERIFY(!InstanceClient::handOver(socketName(), {}, 2000));
    InstanceServer server(socketName());
    QVERIFY2(server.listen(), qPrintable(server.errorString()));
    QSignalSpy received(&server, &InstanceServer::requestReceived);
    const QFuture<bool> handed = handOverInBackground(socketName(), {{QStringLiteral("/after crash.pdf")}, {}});
    QTRY_VERIFY(handed.isFinished());
    QVERIFY(handed.result());
    QTRY_COMPARE(received.size(), 1);
}

void TestInstanceProtocol::runningInstanceKeepsItsName()
{
    InstanceServer first(socketName());
    QVERIFY(first.listen());
    QSignalSpy received(&first, &InstanceServer::requestReceived);
    // The probe of the second blocks this thread, so the first can't accept it: the
    // listening socket's backlog still shows that someone is there.
    InstanceServer second(socketName());
    QVERIFY(!second.listen());
    const QFuture<bool> handed = handOverInBackground(socketName(), {{QStringLiteral("/to the first")}, {}});
    QTRY_VERIFY(handed.isFinished());
    QVERIFY(handed.result());
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received.last().first().value<InstanceRequest>().files, QStringList{QStringLiteral("/to the first")});
}

void TestInstanceProtocol::namesDifferPerDisplayAndStayInTheRuntimeFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("DISPLAY", ":0");
    const QString x0 = InstanceServer::sessionName();
    qputenv("DISPLAY", ":1");
    const QString x1 = InstanceServer::sessionName();
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    const QString wayland = InstanceServer::sessionName();
    QCOMPARE(QSet<QString>({x0, x1, wayland}).size(), 3);
    for (const QString &name : {x0, x1, wayland}) {
        QVERIFY2(name.startsWith(QString::fromLocal8Bit(runtime) + QLatin1Char('/')), qPrintable(name));
        QVERIFY2(!name.mid(runtime.size() + 1).contains(QLatin1Char('/')), qPrintable(name));
    }
    // Without a runtime folder the name is the user's own, in the shared temporary folder.
    qunsetenv("XDG_RUNTIME_DIR");
    QVERIFY(InstanceServer::sessionName().endsWith(QLatin1Char('-') + QString::number(::getuid())));
    qputenv("XDG_RUNTIME_DIR", runtime);
}

QTEST_GUILESS_MAIN(TestInstanceProtocol)
#include "test_instanceprotocol.moc"
