#include "preview/answercitationcount.h"

#include "rag/ragsession.h"

#include <QTimer>

namespace tovik {

AnswerCitationCount::AnswerCitationCount(const RagSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
    // An append arrives as answerAppended right before answerTextChanged; a change
    // without one (a load, a clear) replaces the text.
    connect(&session, &RagSession::answerAppended, this, [this] { m_grew = true; });
    connect(&session, &RagSession::answerTextChanged, this, [this] {
        if (!std::exchange(m_grew, false))
            restart();
        readMore();
    });
    readMore();
}

bool AnswerCitationCount::isCaughtUp() const
{
    return m_read == m_session.answerText().size();
}

void AnswerCitationCount::restart()
{
    m_citations.clear();
    m_read = 0;
}

void AnswerCitationCount::readMore()
{
    const QString &answer = m_session.answerText();
    if (m_read > answer.size())
        restart();
    const qsizetype end = std::min(answer.size(), m_read + charactersPerTurn);
    m_citations.append(QStringView(answer).sliced(m_read, end - m_read));
    m_read = end;
    if (end < answer.size() && !std::exchange(m_queued, true)) {
        QTimer::singleShot(0, this, [this] {
            m_queued = false;
            readMore();
        });
    }
    if (m_citations.count() != m_announced) {
        m_announced = m_citations.count();
        Q_EMIT countChanged();
    }
}

} // namespace tovik
