#include "search/historysemanticsearch.h"

#include "modelserver/httpembeddingmodel.h"
#include "modelserver/modelserversettings.h"
#include "system/queuejobs.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>

namespace tovik {

namespace {

const QString queueLabel = QStringLiteral("tovikRAGUI.historySearch");

} // namespace

SemanticSetup HistorySemanticSearch::setupFrom(const ModelServerSettings &settings)
{
    SemanticSetup setup;
    const auto base = settings.baseURL();
    const QString english = settings.englishEmbeddingModel().trimmed();
    const QString chinese = settings.chineseEmbeddingModel().trimmed();
    setup.makeModel = [base, english, chinese](EmbeddingLanguage language) -> std::unique_ptr<EmbeddingModel> {
        const QString &name = language == EmbeddingLanguage::english ? english : chinese;
        if (!base || name.isEmpty())
            return nullptr;
        return std::make_unique<HttpEmbeddingModel>(*base, name);
    };
    setup.englishThreshold = settings.englishDistanceThreshold();
    setup.chineseThreshold = settings.chineseDistanceThreshold();
    return setup;
}

HistorySemanticSearch &HistorySemanticSearch::shared()
{
    static HistorySemanticSearch *instance = [] {
        ModelServerSettings &settings = ModelServerSettings::shared();
        auto *search = new HistorySemanticSearch(setupFrom(settings), QCoreApplication::instance());
        connect(&settings, &ModelServerSettings::settingsChanged, search,
                [search, &settings] { search->setSetup(setupFrom(settings)); });
        return search;
    }();
    return *instance;
}

HistorySemanticSearch::HistorySemanticSearch(SemanticSetup setup, QObject *parent)
    : QObject(parent)
    , m_ranker(std::make_unique<SemanticRanker>(setup))
    , m_setup(std::move(setup))
{
    m_queue.setObjectName(queueLabel);
    m_queue.setMaxThreadCount(1);
    // The embedding models may hold per-thread network state; keep the one thread.
    m_queue.setExpiryTimeout(-1);
}

HistorySemanticSearch::~HistorySemanticSearch()
{
    // The models belong to the queue's thread: let them go there.
    m_queue.start([this] { m_ranker.reset(); });
    m_queue.waitForDone();
}

void HistorySemanticSearch::setSetup(SemanticSetup setup)
{
    setup.revision = m_setup.revision + 1;
    m_setup = std::move(setup);
}

void HistorySemanticSearch::matchingIDs(const QList<QuestionRecord> &records, const QString &query, QObject *context,
                                        std::function<void(QList<qint64>)> done, CancelFlag cancelled)
{
    QPointer<QObject> guard(context);
    // The records are shared, not copied; the entries are made on the queue, where a long
    // history costs the interface thread nothing.
    m_queue.start([this, records = records, query, setup = m_setup, guard, done = std::move(done),
                   cancelled = std::move(cancelled)]() mutable {
        QThread::currentThread()->setObjectName(queueLabel);
        if (cancelled && cancelled->load())
            return;
        QList<RankingEntry> entries;
        entries.reserve(records.size());
        for (const QuestionRecord &record : std::as_const(records))
            entries.append({record.id, record.question, record.answer});
        records = {};
        m_ranker->use(setup);
        QList<qint64> ids = m_ranker->rank(entries, query, cancelled.get());
        if (cancelled && cancelled->load())
            return;
        handBack(this, guard, std::move(done), std::move(ids));
    });
}

void HistorySemanticSearch::waitForIdle()
{
    waitForQueuedJobs(m_queue);
}

} // namespace tovik
