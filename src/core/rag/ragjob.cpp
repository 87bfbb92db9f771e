#include "rag/ragjob.h"

#include "rag/ragoutputstream.h"

namespace tovik {

void RagJob::cancel()
{
    m_cancelled = true;
    if (m_stream)
        m_stream->cancel();
}

void RagJob::attach(RagOutputStream *stream)
{
    m_stream = stream;
    if (m_cancelled && m_stream)
        m_stream->cancel();
}

} // namespace tovik
