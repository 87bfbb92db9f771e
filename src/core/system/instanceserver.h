#pragma once

#include "system/instancerequest.h"

#include <QLocalServer>
#include <QObject>

class QLocalSocket;

namespace tovik {

// The running instance's end of the hand-over: listens on a local socket and reports
// each request a later launch sends. Used on the GUI thread.
class InstanceServer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstanceServer)

public:
    explicit InstanceServer(QString name, QObject *parent = nullptr);

    // The name of this user's instance on this display: a socket in XDG_RUNTIME_DIR
    // (which is per user and per login), or one named after the user id in the
    // temporary folder. Launches on another display or login get their own instance.
    static QString sessionName();

    // Starts listening. A socket left behind by an instance that ended without closing
    // it is removed first. False when an instance already answers on the name or the
    // socket cannot be made (errorString() says why).
    bool listen();
    QString errorString() const { return m_errorString; }
    // The socket's path while listening.
    QString fullServerName() const { return m_server.fullServerName(); }

Q_SIGNALS:
    // After the sender has been told the request arrived.
    void requestReceived(const tovik::InstanceRequest &request);

private:
    bool answersOnName() const;
    void serve(QLocalSocket *socket);

    QString m_name;
    QLocalServer m_server;
    QString m_errorString;
};

} // namespace tovik
