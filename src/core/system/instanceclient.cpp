#include "system/instanceclient.h"

#include "system/instanceprotocol.h"
#include "system/logcategories.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

namespace tovik {

bool InstanceClient::handOver(const QString &name, const InstanceRequest &request, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(InstanceProtocol::encode(request));
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    // The instance closes the connection after its answer, so read until the byte comes.
    while (socket.bytesAvailable() == 0) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    char answer = 0;
    const bool confirmed = socket.read(&answer, 1) == 1 && answer == InstanceProtocol::acknowledgement;
    if (!confirmed)
        qCWarning(lcInstance) << "the running instance did not confirm the hand-over on" << name;
    return confirmed;
}

} // namespace tovik
