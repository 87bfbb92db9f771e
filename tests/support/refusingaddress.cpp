#include "support/refusingaddress.h"

#include <QTcpServer>

namespace tovik::test {

QString refusingAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/v1").arg(port);
}

} // namespace tovik::test
