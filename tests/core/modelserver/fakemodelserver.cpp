#include "fakemodelserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

namespace tovik::test {

namespace {

// Reads one request from a socket as bytes arrive; answers once it is complete.
void serve(QTcpSocket *socket,
           const std::function<FakeModelServer::Reply(const QByteArray &)> &replyFor,
           const std::function<void(const FakeModelServer::Request &)> &received)
{
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [=] {
        buffer->append(socket->readAll());
        const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer->left(headerEnd).split('\n');
        qsizetype length = 0;
        for (const QByteArray &line : lines) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (buffer->size() < headerEnd + 4 + length)
            return;
        const QList<QByteArray> first = lines.first().trimmed().split(' ');
        FakeModelServer::Request request{first.value(0), first.value(1), buffer->mid(headerEnd + 4, length)};
        buffer->clear();
        received(request);
        const FakeModelServer::Reply reply = replyFor(request.path);
        if (reply.hang)
            return;
        if (reply.endless) {
            const QByteArray length =
                reply.statedLength > 0 ? "Content-Length: " + QByteArray::number(reply.statedLength) + "\r\n" : QByteArray();
            socket->write("HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n"
                          "Content-Type: application/json\r\n" + length + reply.extraHeaders + "\r\n" + reply.body);
            return;
        }
        QByteArray response = "HTTP/1.1 " + QByteArray::number(reply.status) + " Status\r\n"
                              "Content-Type: application/json\r\n"
                              "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n"
                              + reply.extraHeaders + "Connection: close\r\n\r\n" + reply.body;
        socket->write(response);
        socket->disconnectFromHost();
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
}

} // namespace

FakeModelServer::FakeModelServer()
{
    m_anchor = new QObject;
    m_anchor->moveToThread(&m_thread);
    m_thread.start();
    // Make the listening server on the server thread and wait for its port.
    QMetaObject::invokeMethod(
        m_anchor,
        [this] {
            m_server = new QTcpServer;
            m_server->listen(QHostAddress::LocalHost, 0);
            m_port = m_server->serverPort();
            QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] {
                while (QTcpSocket *socket = m_server->nextPendingConnection()) {
                    serve(socket, [this](const QByteArray &path) { return replyFor(path); },
                          [this](const Request &request) { this->received(request); });
                }
            });
        },
        Qt::BlockingQueuedConnection);
}

FakeModelServer::~FakeModelServer()
{
    QMetaObject::invokeMethod(
        m_anchor, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_anchor;
}

QString FakeModelServer::baseURL() const
{
    return QStringLiteral("http://127.0.0.1:%1/v1").arg(m_port);
}

void FakeModelServer::setReply(const QByteArray &path, Reply reply)
{
    QMutexLocker lock(&m_mutex);
    m_replies.insert(path, std::move(reply));
}

FakeModelServer::Reply FakeModelServer::replyFor(const QByteArray &path) const
{
    QMutexLocker lock(&m_mutex);
    return m_replies.value(path, Reply{404, R"({"error":{"message":"not found"}})", false, {}});
}

void FakeModelServer::received(const Request &request)
{
    QMutexLocker lock(&m_mutex);
    m_requests.append(request);
}

QList<FakeModelServer::Request> FakeModelServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

QList<FakeModelServer::Request> FakeModelServer::requestsFor(const QByteArray &path) const
{
    QList<Request> matching;
    for (const Request &request : requests()) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

QByteArray FakeModelServer::modelList(const QStringList &ids)
{
    QJsonArray data;
    for (const QString &id : ids)
        data.append(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("object"), QStringLiteral("model")}});
    return QJsonDocument(QJsonObject{{QStringLiteral("object"), QStringLiteral("list")}, {QStringLiteral("data"), data}})
        .toJson(QJsonDocument::Compact);
}

QByteArray FakeModelServer::embedding(const QList<double> &vector)
{
    QJsonArray numbers;
    for (double value : vector)
        numbers.append(value);
    const QJsonObject item{{QStringLiteral("object"), QStringLiteral("embedding")}, {QStringLiteral("index"), 0},
                           {QStringLiteral("embedding"), numbers}};
    return QJsonDocument(QJsonObject{{QStringLiteral("data"), QJsonArray{item}}}).toJson(QJsonDocument::Compact);
}

QByteArray FakeModelServer::chatContent(const QString &content)
{
    const QJsonObject message{{QStringLiteral("role"), QStringLiteral("assistant")}, {QStringLiteral("content"), content}};
    const QJsonObject choice{{QStringLiteral("index"), 0}, {QStringLiteral("message"), message}};
    return QJsonDocument(QJsonObject{{QStringLiteral("choices"), QJsonArray{choice}}}).toJson(QJsonDocument::Compact);
}

} // namespace tovik::test
