#include "system/instanceprotocol.h"

#include <QDataStream>
#include <QIODevice>

namespace tovik {

namespace {
// "tvk" and the protocol's version: a peer of another version is refused, not misread.
constexpr quint32 magic = 0x74766b01;
constexpr QDataStream::Version streamVersion = QDataStream::Qt_6_0;
} // namespace

QByteArray InstanceProtocol::encode(const InstanceRequest &request)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << magic << request.files << request.activationToken;
    return bytes;
}

InstanceProtocol::ReadResult InstanceProtocol::read(QIODevice &device, InstanceRequest &request)
{
    QDataStream in(&device);
    in.setVersion(streamVersion);
    in.startTransaction();
    quint32 readMagic = 0;
    in >> readMagic;
    if (in.status() == QDataStream::Ok && readMagic != magic) {
        in.abortTransaction();
        return ReadResult::malformed;
    }
    InstanceRequest read;
    in >> read.files >> read.activationToken;
    if (in.status() == QDataStream::ReadCorruptData) {
        in.abortTransaction();
        return ReadResult::malformed;
    }
    if (!in.commitTransaction())
        return ReadResult::incomplete;
    request = std::move(read);
    return ReadResult::complete;
}

} // namespace tovik
