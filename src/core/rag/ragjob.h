#pragma once

#include <QPointer>

#include <memory>

namespace tovik {

class RagOutputStream;

// The handle of one session job. Cancelling it stops whatever the job waits for: a
// resolution in progress is ignored when it comes back, and a running child is asked
// to terminate and killed if it has not after a grace period. Used on the GUI thread only.
class RagJob final
{
public:
    bool isCancelled() const { return m_cancelled; }
    void cancel();

    // The stream the job is reading; cancelled at once if the job already was.
    void attach(RagOutputStream *stream);

private:
    bool m_cancelled = false;
    QPointer<RagOutputStream> m_stream;
};

using RagJobPtr = std::shared_ptr<RagJob>;

} // namespace tovik
