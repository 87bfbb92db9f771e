#pragma once

#include "history/questionrecord.h"
#include "search/semanticranker.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

namespace tovik {

class ModelServerSettings;

// The semantic ranking of saved questions, run on one serial work queue
// ("tovikRAGUI.historySearch": a pool with a single thread that never expires,
// so the models and the vector cache stay with one thread). One shared instance
// serves the process; tests make their own with fake models.
class HistorySemanticSearch final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistorySemanticSearch)

public:
    using CancelFlag = std::shared_ptr<std::atomic_bool>;

    // Created on first use on the interface thread, with the HTTP embedding
    // models named by ModelServerSettings::shared(), following its changes.
    static HistorySemanticSearch &shared();
    // The setup the shared instance takes from the model server settings.
    static SemanticSetup setupFrom(const ModelServerSettings &settings);

    explicit HistorySemanticSearch(SemanticSetup setup, QObject *parent = nullptr);
    ~HistorySemanticSearch() override;

    // Replaces the models and thresholds for the searches that start after it.
    void setSetup(SemanticSetup setup);

    // Takes (id, question, answer) of the records on the queue, ranks them against
    // the query there, and calls `done` with the ids on this object's thread,
    // unless `context` has been destroyed. Searches run one after another, in
    // order; one whose `cancelled` flag is set by the time it runs (or while it
    // runs) ends without calling `done`.
    void matchingIDs(const QList<QuestionRecord> &records, const QString &query, QObject *context,
                     std::function<void(QList<qint64>)> done, CancelFlag cancelled = {});

    // Blocks until the queue is empty (tests, shutdown).
    void waitForIdle();

private:
    QThreadPool m_queue;
    std::unique_ptr<SemanticRanker> m_ranker; // touched only on m_queue
    SemanticSetup m_setup;                     // the interface thread's copy
};

} // namespace tovik
