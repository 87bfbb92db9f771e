#pragma once

#include "history/questionrecord.h"
#include "search/historyqueryintent.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

namespace tovik {

// Filters a long history off the interface thread, on one thread that never ends, so
// the folded texts of the records stay with it from one keystroke to the next.
class HistoryFilterQueue final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryFilterQueue)

public:
    // The last request of one asker; a filtering whose number is no longer the last one
    // when it comes up is skipped.
    using Latest = std::shared_ptr<std::atomic<qint64>>;

    static HistoryFilterQueue &shared();
    explicit HistoryFilterQueue(QObject *parent = nullptr);
    ~HistoryFilterQueue() override;

    // Runs HistorySearchFilter::filter on the queue and calls `done` with its result on
    // this object's thread, unless `context` has been destroyed or the asker has asked
    // again meanwhile (each call takes the next number in `latest`).
    void filter(QList<QuestionRecord> records, QString query, QList<qint64> semanticIDs, HistoryQueryIntent intent,
                Latest latest, QObject *context, std::function<void(QList<QuestionRecord>)> done);

    // The folded texts kept on the queue's thread are let go (the history became short
    // enough to be filtered where it is asked for). Nothing happens if nothing was filtered.
    void forgetFoldedTexts();

    // Blocks until the queue is empty (tests).
    void waitForIdle();

private:
    QThreadPool m_queue;
    bool m_holdsTexts = false;
};

} // namespace tovik
