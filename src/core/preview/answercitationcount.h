#pragma once

#include "preview/streamingcitations.h"

#include <QObject>

namespace tovik {

class RagSession;

// The number of distinct pages a session's answer cites, kept while rag streams it:
// what an append adds is read from where the last read stopped, a few million
// characters per event-loop turn at most, so a huge answer never holds up the window;
// an answer replaced other than by appending is read anew. GUI thread only.
class AnswerCitationCount final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qsizetype count READ count NOTIFY countChanged)
    Q_DISABLE_COPY_MOVE(AnswerCitationCount)

public:
    // Characters read per event-loop turn.
    static constexpr qsizetype charactersPerTurn = qsizetype(2) << 20;

    explicit AnswerCitationCount(const RagSession &session, QObject *parent = nullptr);

    qsizetype count() const { return m_citations.count(); }
    // True once all of the answer there is has been read.
    bool isCaughtUp() const;

Q_SIGNALS:
    void countChanged();

private:
    void restart();
    void readMore();

    const RagSession &m_session;
    StreamingCitations m_citations;
    qsizetype m_read = 0;
    qsizetype m_announced = 0; // the count countChanged last told
    bool m_grew = false;
    bool m_queued = false;
};

} // namespace tovik
