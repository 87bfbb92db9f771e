#pragma once

#include "system/instancerequest.h"

#include <QString>

namespace tovik {

// A later launch's end of the hand-over. Blocking: it runs before the launch has an
// event loop.
class InstanceClient final
{
public:
    // Sends `request` to the instance listening on `name` and waits until it confirms.
    // False when no instance listens there (or it does not answer in `timeoutMs`).
    static bool handOver(const QString &name, const InstanceRequest &request, int timeoutMs = 5000);
};

} // namespace tovik
