#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

class QTcpServer;

namespace tovik::test {

// A model server on 127.0.0.1 speaking just enough HTTP/1.1 for the client: it
// answers each path with a canned reply (or never answers), and keeps what it
// received. It runs on its own thread so that a client blocking in a local event
// loop on any other thread is still answered.
class FakeModelServer final
{
public:
    struct Reply
    {
        int status = 200;
        QByteArray body{};
        bool hang = false;            // keep the connection open and say nothing
        QByteArray extraHeaders{};    // "Name: value\r\n" lines
        // Send the body and keep the connection open, as if more were coming;
        // Content-Length states `statedLength`, or nothing when it is 0.
        bool endless = false;
        qint64 statedLength = 0;
    };
    struct Request
    {
        QByteArray method;
        QByteArray path;
        QByteArray body{};
    };

    FakeModelServer();
    ~FakeModelServer();

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>/v1"
    QString baseURL() const;

    // The reply for a path such as "/v1/embeddings"; other paths get a 404.
    void setReply(const QByteArray &path, Reply reply);
    QList<Request> requests() const;
    QList<Request> requestsFor(const QByteArray &path) const;

    // Replies for the usual cases.
    static QByteArray modelList(const QStringList &ids);
    static QByteArray embedding(const QList<double> &vector);
    static QByteArray chatContent(const QString &content);

private:
    Reply replyFor(const QByteArray &path) const;
    void received(const Request &request);

    QThread m_thread;
    QObject *m_anchor = nullptr;    // lives on m_thread; runs the server's calls there
    QTcpServer *m_server = nullptr; // lives on m_thread
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QHash<QByteArray, Reply> m_replies;
    QList<Request> m_requests;
};

} // namespace tovik::test
