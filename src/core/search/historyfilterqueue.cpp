#include "search/historyfilterqueue.h"

#include "search/foldedrecords.h"
#include "search/historysearchfilter.h"
#include "system/queuejobs.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

namespace tovik {

HistoryFilterQueue &HistoryFilterQueue::shared()
{
    static HistoryFilterQueue *instance = new HistoryFilterQueue(QCoreApplication::instance());
    return *instance;
}

HistoryFilterQueue::HistoryFilterQueue(QObject *parent)
    : QObject(parent)
{
    m_queue.setObjectName(QStringLiteral("tovikRAGUI.historyFilter"));
    m_queue.setMaxThreadCount(1);
    m_queue.setExpiryTimeout(-1);
}

HistoryFilterQueue::~HistoryFilterQueue()
{
    m_queue.waitForDone();
}

void HistoryFilterQueue::filter(QList<QuestionRecord> records, QString query, QList<qint64> semanticIDs,
                                HistoryQueryIntent intent, Latest latest, QObject *context,
                                std::function<void(QList<QuestionRecord>)> done)
{
    const qint64 request = latest->load() + 1;
    latest->store(request);
    m_holdsTexts = true;
    QPointer<QObject> guard(context);
    m_queue.start([this, records = std::move(records), query = std::move(query), semanticIDs = std::move(semanticIDs),
                   intent = std::move(intent), request, latest, guard, done = std::move(done)]() mutable {
        QThread::currentThread()->setObjectName(m_queue.objectName());
        if (latest->load() != request)
            return;
        QList<QuestionRecord> visible = HistorySearchFilter::filter(records, query, semanticIDs, intent);
        if (latest->load() != request)
            return;
        // Looked at once more when it arrives: a later request may have come meanwhile.
        auto current = [latest, request, done = std::move(done)](const QList<QuestionRecord> &result) {
            if (latest->load() == request)
                done(result);
        };
        handBack(this, guard, std::move(current), std::move(visible));
    });
}

void HistoryFilterQueue::forgetFoldedTexts()
{
    if (!m_holdsTexts)
        return;
    m_holdsTexts = false;
    m_queue.start([] { FoldedRecords::forCurrentLocale().clear(); });
}

void HistoryFilterQueue::waitForIdle()
{
    waitForQueuedJobs(m_queue);
}

} // namespace tovik
