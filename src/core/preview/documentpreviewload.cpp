// The load of DocumentPreviewModel: a chain of steps on the GUI thread, each posted
// as its own event; page renders go to the worker (documentpreviewrender.cpp).

#include "i18n/translate.h"
#include "preview/corpuslookup.h"
#include "preview/documentheader.h"
#include "preview/documentpreviewwork.h"

#include <QSet>

namespace tovik {

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

    QSet<QString> seen;
    for (const CitedPage &cited : std::as_const(run->cited)) {
        if (!seen.contains(cited.filename)) {
            seen.insert(cited.filename);
            run->filenames.append(cited.filename);
        }
    }
    CorpusLookup lookup = lookUpSourcePaths(run->filenames, run->directory);
    if (!isCurrent(run))
        return stop(run);
    if (lookup.failed) {
        // Recorded as loaded, so the same answer and folder are not looked up again.
        setNotice(lookup.notice());
        setGroups({});
        setLoading(false);
        setLoadedKey(run->key);
        return stop(run);
    }
    run->sourcePaths = std::move(lookup.sourcePaths);
    nextFile(run);
}

void DocumentPreviewModel::nextFile(const Run &run)
{
    run->document.reset();
    ++run->file;
    if (run->file >= run->filenames.size())
        return finishLoad(run);
    if (!isCurrent(run))
        return stop(run);
    const QString &filename = run->filenames[run->file];
    const DocumentHeader header = makeHeader(filename, run->sourcePaths.value(filename));
    run->working.append(CitedDocument{filename, header.sourcePath, header.problem, {}});
    publish(run);
    yieldThen(run, &DocumentPreviewModel::openFile);
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
        document.problem = translate(QStringLiteral("Couldn't open this PDF."));
        publish(run);
        return yieldThen(run, &DocumentPreviewModel::nextFile);
    }
    run->pages.clear();
    for (const CitedPage &cited : std::as_const(run->cited)) {
        if (cited.filename == document.filename)
            run->pages.append(cited.page);
    }
    run->pageIndex = 0;
    nextPage(run);
}

void DocumentPreviewModel::nextPage(const Run &run)
{
    if (run->pageIndex >= run->pages.size())
        return nextFile(run);
    if (!isCurrent(run))
        return stop(run);
    const PageWork work = preparePage(run->document, *run->working[run->file].sourcePath, run->pages[run->pageIndex]);
    if (work.done)
        return finishPage(run, *work.done);
    renderInBackground(work, [this, run](const RenderedPage &page) {
        if (!isCurrent(run))
            return stop(run);
        finishPage(run, page);
    });
}

void DocumentPreviewModel::finishPage(const Run &run, const RenderedPage &page)
{
    run->working[run->file].pages.append(page);
    publish(run);
    ++run->pageIndex;
    yieldThen(run, &DocumentPreviewModel::nextPage);
}

void DocumentPreviewModel::finishLoad(const Run &run)
{
    if (!isCurrent(run))
        return stop(run);
    setLoading(false);
    setLoadedKey(run->key);
    stop(run);
}

void DocumentPreviewModel::publish(const Run &run)
{
    setGroups(run->working);
}

} // namespace tovik
