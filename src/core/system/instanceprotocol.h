#pragma once

#include "system/instancerequest.h"

#include <QByteArray>

class QIODevice;

namespace tovik {

// The bytes of the hand-over between two launches on one local socket: the second
// launch writes one request, the running instance answers with one acknowledgement
// byte once it has taken the request. Strings travel as UTF-16 with their lengths, so
// file names with spaces, line breaks or any script arrive unchanged.
class InstanceProtocol final
{
public:
    enum class ReadResult { complete, incomplete, malformed };

    static constexpr char acknowledgement = 'A';

    static QByteArray encode(const InstanceRequest &request);
    // Takes one request from the start of what `device` holds. On `incomplete` nothing
    // is consumed, so the caller tries again when more bytes have come.
    static ReadResult read(QIODevice &device, InstanceRequest &request);
};

} // namespace tovik
