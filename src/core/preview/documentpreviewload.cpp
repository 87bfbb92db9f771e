// The load of DocumentPreviewModel: a chain of steps on the GUI thread, each posted
// as its own event; the corpus lookup goes to a worker here, page renders to another
// (documentpreviewrender.cpp).

#include "i18n/translate.h"
#include "preview/corpuslookup.h"
#include "preview/documentheader.h"
#include "preview/documentpreviewwork.h"
#include "system/processthreadpool.h"
#include "system/logcategories.h"

#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>

namespace tovik {

namespace {

// Corpus lookups of every preview model run here, off the GUI thread: a lookup touches
// the file system and SQLite, and a hung network share or a file that blocks on open
// must not freeze the window. A lookup that never returns keeps its thread; the load
// has given up on it by then. At exit, running lookups get a moment to finish and are
// then left behind rather than holding up the quit.
QThreadPool &lookupPool()
{
    static QThreadPool *const pool = newProcessThreadPool<&lookupPool, 1000>(4);
    return *pool;
}

// Lives on the GUI thread for the whole process; finished lookups are posted to it, so
// a worker never posts to a model that may be gone.
QObject &lookupResults()
{
    static QObject *const receiver = new QObject;
    return *receiver;
}

} // namespace

namespace {
// How long one turn may go on with headers and pages that need no render.
constexpr qint64 headerTurnMs = 8;
} // namespace

void DocumentPreviewModel::setCorpusLookup(CorpusLookupFunction lookup)
{
    m_corpusLookup = std::move(lookup);
}

void DocumentPreviewModel::setLookupTimeout(std::chrono::milliseconds timeout)
{
    m_lookupTimeout = timeout;
}

QString loadKeyFor(const QList<CitedPage> &cited, const QString &workingDirectory)
{
    QString key;
    for (qsizetype i = 0; i < cited.size(); ++i) {
        if (i > 0)
            key += QChar(0x1E);
        key += cited[i].id();
    }
    return key + QChar(0x1F) + workingDirectory;
}

QFuture<void> DocumentPreviewModel::load(const QString &answer, const QString &workingDirectory)
{
    if (!m_acceptsLoads)
        return QtFuture::makeReadyFuture();
    const QList<CitedPage> &cited = m_citations.pages(answer);
    QString key = loadKeyFor(cited, workingDirectory);
    // The shown state already belongs to this answer and folder. Not while another
    // load runs: that one is replacing the state with a different answer or folder.
    if (key == m_loadedKey && !m_isLoading)
        return QtFuture::makeReadyFuture();

    auto run = std::make_shared<LoadRun>();
    run->key = std::move(key);
    run->directory = workingDirectory;
    run->cited = cited;
    run->promise.start();
    QFuture<void> future = run->promise.future();

    bumpGeneration();
    run->generation = m_generation;
    setLoading(true);
    setNotice(std::nullopt);
    qCDebug(lcPreview) << "loading" << cited.size() << "cited pages in" << workingDirectory;
    if (workingDirectory != m_loadedDirectory) {
        dropCaches();
        setGroups({});
        setLoadedDirectory(workingDirectory);
    }
    yieldThen(run, &DocumentPreviewModel::lookUp);
    return future;
}

void DocumentPreviewModel::yieldThen(const Run &run, void (DocumentPreviewModel::*step)(const Run &))
{
    // Dropped with the model; the run's promise then reports the load as cancelled.
    QMetaObject::invokeMethod(this, [this, run, step] { (this->*step)(run); }, Qt::QueuedConnection);
}

bool DocumentPreviewModel::isCurrent(const Run &run) const
{
    return run->generation == m_generation && !run->promise.isCanceled() && m_acceptsLoads;
}

void DocumentPreviewModel::stop(const Run &run)
{
    run->promise.finish();
}

void DocumentPreviewModel::lookUp(const Run &run)
{
    if (!isCurrent(run))
        return stop(run);
    if (run->cited.isEmpty()) {
        dropCaches();
        setGroups({});
        setLoading(false);
        setLoadedKey(run->key);
        setLoadedDirectory(run->directory);
        return stop(run);
    }

    for (const CitedPage &cited : std::as_const(run->cited)) {
        auto pages = run->pagesByFile.find(cited.filename);
        if (pages == run->pagesByFile.end()) {
            pages = run->pagesByFile.insert(cited.filename, {});
            run->filenames.append(cited.filename);
        }
        pages->append(cited.page);
    }
    // While the lookup runs, only its time-out timer holds the run: the worker holds it
    // weakly, so a run dropped with its model (or its timer) is never revived by a late
    // answer, and the run is never freed on the worker.
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [this, run] { lookUpTimedOut(run); });
    run->lookupTimer = timer;
    timer->start(m_lookupTimeout);
    QObject &receiver = lookupResults();
    lookupPool().start([lookup = m_corpusLookup, filenames = run->filenames, directory = run->directory,
                        model = QPointer<DocumentPreviewModel>(this), waiting = std::weak_ptr<LoadRun>(run),
                        &receiver] {
        CorpusLookup result = lookup(filenames, directory);
        QMetaObject::invokeMethod(
            &receiver,
            [model, waiting, result = std::move(result)] {
                const Run run = waiting.lock();
                if (model && run)
                    model->lookUpFinished(run, result);
            },
            Qt::QueuedConnection);
    });
}

bool DocumentPreviewModel::settleLookup(const Run &run)
{
    if (!run->lookupTimer)
        return false;
    run->lookupTimer->stop();
    run->lookupTimer->deleteLater(); // and with it the timer's hold on the run
    run->lookupTimer = nullptr;
    return true;
}

void DocumentPreviewModel::lookUpTimedOut(const Run &run)
{
    if (!settleLookup(run))
        return;
    if (!isCurrent(run))
        return stop(run);
    // Recorded as loaded like a failed lookup, so a streaming answer does not start
    // one stuck lookup after another.
    qCInfo(lcPreview) << "the corpus lookup timed out in" << run->directory;
    setNotice(translated(QStringLiteral("corpus.sqlite didn't answer within {seconds} seconds."),
                         {{QStringLiteral("seconds"),
                           QString::number(std::chrono::duration<double>(m_lookupTimeout).count())}}));
    setGroups({});
    setLoading(false);
    setLoadedKey(run->key);
    stop(run);
}

void DocumentPreviewModel::lookUpFinished(const Run &run, const CorpusLookup &lookup)
{
    if (!settleLookup(run))
        return;
    if (!isCurrent(run))
        return stop(run);
    if (lookup.failed) {
        // Recorded as loaded, so the same answer and folder are not looked up again.
        qCInfo(lcPreview) << "the corpus lookup failed in" << run->directory;
        setNotice(lookup.notice());
        setGroups({});
        setLoading(false);
        setLoadedKey(run->key);
        return stop(run);
    }
    run->sourcePaths = lookup.sourcePaths;
    nextFile(run);
}

void DocumentPreviewModel::nextFile(const Run &run)
{
    // A file that can't be previewed is only its header; several of those are made in
    // one turn (each still published) until the turn has taken a few milliseconds, so
    // an answer citing thousands of missing files doesn't take thousands of turns.
    QElapsedTimer turn;
    turn.start();
    for (;;) {
        run->document.reset();
        if (run->redoing && run->file >= 0
            && (run->file >= m_groups.size() || !(run->working[run->file] == m_groups[run->file]))) {
            run->redoing = false;
            publish(run);
        }
        ++run->file;
        if (run->file >= run->filenames.size())
            return finishLoad(run);
        if (!isCurrent(run))
            return stop(run);
        const QString &filename = run->filenames[run->file];
        const DocumentHeader header = makeHeader(filename, run->sourcePaths.value(filename));
        run->working.append(CitedDocument{filename, header.sourcePath, header.problem, {}});
        ++run->rows;
        publish(run);
        if (!(header.problem || !header.sourcePath) || turn.elapsed() >= headerTurnMs)
            return yieldThen(run, &DocumentPreviewModel::openFile);
    }
}

void DocumentPreviewModel::openFile(const Run &run)
{
    if (!isCurrent(run))
        return stop(run);
    CitedDocument &document = run->working[run->file];
    if (document.problem || !document.sourcePath)
        return nextFile(run);
    run->document = pdfDocument(*document.sourcePath);
    if (!run->document) {
        qCInfo(lcPreview) << "couldn't open" << *document.sourcePath;
        document.problem = translate(QStringLiteral("Couldn't open this PDF."));
        publish(run);
        return yieldThen(run, &DocumentPreviewModel::nextFile);
    }
    run->pages = run->pagesByFile.value(document.filename);
    run->pageIndex = 0;
    nextPage(run);
}

void DocumentPreviewModel::nextPage(const Run &run)
{
    // Pages that need no render (a problem, or an image already made) are taken several
    // to a turn, each still published, like headers in nextFile.
    QElapsedTimer turn;
    turn.start();
    for (;;) {
        if (run->pageIndex >= run->pages.size())
            return nextFile(run);
        if (!isCurrent(run))
            return stop(run);
        const PageWork work = preparePage(run->document, *run->working[run->file].sourcePath, run->pages[run->pageIndex]);
        if (!work.done) {
            return renderInBackground(work, [this, run](const RenderedPage &page) {
                if (!isCurrent(run))
                    return stop(run);
                finishPage(run, page);
            });
        }
        addPage(run, *work.done);
        if (turn.elapsed() >= headerTurnMs)
            return yieldThen(run, &DocumentPreviewModel::nextPage);
    }
}

void DocumentPreviewModel::addPage(const Run &run, const RenderedPage &page)
{
    run->working[run->file].pages.append(page);
    ++run->rows;
    publish(run);
    ++run->pageIndex;
}

void DocumentPreviewModel::finishPage(const Run &run, const RenderedPage &page)
{
    addPage(run, page);
    yieldThen(run, &DocumentPreviewModel::nextPage);
}

void DocumentPreviewModel::finishLoad(const Run &run)
{
    if (!isCurrent(run))
        return stop(run);
    publishNow(run);
    qCDebug(lcPreview) << "loaded" << run->working.size() << "documents";
    setLoading(false);
    setLoadedKey(run->key);
    stop(run);
}

namespace {
// Up to this many rows (headers and pages) every step is published as it happens;
// beyond it a publish, which costs a pass over every row in the views, comes at most
// every publishIntervalMs, and a reload skips what it only redoes.
constexpr qsizetype manyRows = 200;
constexpr qint64 publishIntervalMs = 100;
} // namespace

void DocumentPreviewModel::publish(const Run &run)
{
    if (std::max(run->rows, m_shownRows) < manyRows)
        return publishNow(run);
    if (run->redoing && run->file < m_groups.size() && run->working[run->file].filename == m_groups[run->file].filename)
        return; // the shown list has this file there already; nextFile finds out whether it changed
    if (!m_lastPublish.isValid() || m_lastPublish.elapsed() >= publishIntervalMs)
        return publishNow(run);
    m_pendingPublish = run;
    if (!m_publishTimer) {
        m_publishTimer = new QTimer(this);
        m_publishTimer->setSingleShot(true);
        connect(m_publishTimer, &QTimer::timeout, this, &DocumentPreviewModel::publishPending);
    }
    if (!m_publishTimer->isActive())
        m_publishTimer->start(std::chrono::milliseconds(publishIntervalMs - m_lastPublish.elapsed()));
}

void DocumentPreviewModel::publishNow(const Run &run)
{
    m_pendingPublish.reset();
    if (m_publishTimer)
        m_publishTimer->stop();
    m_lastPublish.start();
    run->redoing = false; // what is shown is this run's own from now on
    setGroups(run->working);
}

void DocumentPreviewModel::publishPending()
{
    const Run run = m_pendingPublish.lock();
    if (run && isCurrent(run))
        publishNow(run);
}

} // namespace tovik
