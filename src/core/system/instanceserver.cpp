#include "system/instanceserver.h"

#include "system/instanceprotocol.h"
#include "system/logcategories.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTimer>

#include <unistd.h>

namespace tovik {

namespace {
// A sender that connects and then says nothing is dropped after this long.
constexpr int idleSenderMs = 10000;
// How long the probe of an existing socket waits for an instance to accept.
constexpr int probeMs = 1000;
} // namespace

InstanceServer::InstanceServer(QString name, QObject *parent)
    : QObject(parent)
    , m_name(std::move(name))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

QString InstanceServer::sessionName()
{
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    // ":0" or "wayland-0" (a path, with some compositors) becomes part of a file name.
    display.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    QString name = QStringLiteral("tovikrag");
    if (!display.isEmpty())
        name += QLatin1Char('-') + display;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + QLatin1Char('/') + name;
    return name + QLatin1Char('-') + QString::number(::getuid());
}

bool InstanceServer::listen()
{
    // Asked first: listening with an access option replaces whatever file has the name.
    if (answersOnName()) {
        m_errorString = QStringLiteral("another instance answers on %1").arg(m_name);
        return false;
    }
    const QString path = m_name.startsWith(QLatin1Char('/')) ? m_name : QDir::tempPath() + QLatin1Char('/') + m_name;
    if (QFileInfo::exists(path)) {
        qCInfo(lcInstance) << "removing the stale socket" << path;
        QLocalServer::removeServer(m_name);
    }
    if (m_server.listen(m_name))
        return true;
    m_errorString = m_server.errorString();
    return false;
}

bool InstanceServer::answersOnName() const
{
    QLocalSocket probe;
    probe.connectToServer(m_name);
    return probe.waitForConnected(probeMs);
}

void InstanceServer::serve(QLocalSocket *socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(idleSenderMs, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        InstanceRequest request;
        switch (InstanceProtocol::read(*socket, request)) {
        case InstanceProtocol::ReadResult::incomplete:
            return;
        case InstanceProtocol::ReadResult::malformed:
            qCWarning(lcInstance) << "ignoring a malformed hand-over";
            socket->abort();
            return;
        case InstanceProtocol::ReadResult::complete:
            break;
        }
        // One request per connection; whatever follows it is not read.
        disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
        socket->write(&InstanceProtocol::acknowledgement, 1);
        socket->flush();
        socket->disconnectFromServer();
        qCInfo(lcInstance) << "handed over:" << request.files.size() << "files";
        Q_EMIT requestReceived(request);
    });
}

} // namespace tovik
