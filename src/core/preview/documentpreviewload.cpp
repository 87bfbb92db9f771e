// The load of DocumentPreviewModel: a chain of steps on the GUI thread, each posted
// as its own event, with page renders on the model's worker thread.

#include "i18n/translate.h"
#include "preview/corpuslookup.h"
#include "preview/documentheader.h"
#include "preview/documentpreviewwork.h"

#include <QPointer>
#include <QSet>
#include <QThreadPool>

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

namespace {

// Nonzero unless the pixel (0xAARRGGBB) is gray: red equals green equals blue; with
// `alphaMask` 0xFF000000, also unless it is opaque.
inline quint32 colourBits(quint32 pixel, quint32 alphaMask)
{
    return ((pixel ^ (pixel >> 8)) & 0xFFFFu) | (~pixel & alphaMask);
}

// The image as 8-bit gray when every pixel is opaque and gray, else a null image.
// Checked a row at a time, four pixels per step, so that it costs a few percent of
// the render; Qt's allGray() and conversion take several times longer.
QImage grayCopy(const QImage &image)
{
    const QImage::Format format = image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
        && format != QImage::Format_ARGB32_Premultiplied)
        return {};
    const quint32 alphaMask = format == QImage::Format_RGB32 ? 0 : 0xFF000000u;
    QImage gray(image.size(), QImage::Format_Grayscale8);
    if (gray.isNull())
        return {};
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const quint32 *in = reinterpret_cast<const quint32 *>(image.constScanLine(y));
        uchar *out = gray.scanLine(y);
        quint32 colour = 0;
        int x = 0;
        for (; x + 4 <= width; x += 4) {
            colour |= colourBits(in[x], alphaMask) | colourBits(in[x + 1], alphaMask)
                | colourBits(in[x + 2], alphaMask) | colourBits(in[x + 3], alphaMask);
            out[x] = uchar(in[x]);
            out[x + 1] = uchar(in[x + 1]);
            out[x + 2] = uchar(in[x + 2]);
            out[x + 3] = uchar(in[x + 3]);
        }
        for (; x < width; ++x) {
            colour |= colourBits(in[x], alphaMask);
            out[x] = uchar(in[x]);
        }
        if (colour)
            return {};
    }
    gray.setDotsPerMeterX(image.dotsPerMeterX());
    gray.setDotsPerMeterY(image.dotsPerMeterY());
    return gray;
}

// Page renders of every preview model run here. Its threads never expire, so their
// memory stays warm between loads and a tab's first page does not wait for a cold
// thread. Never destroyed, so a render still running at exit ends normally.
QThreadPool &renderPool()
{
    static QThreadPool *const pool = [] {
        auto *created = new QThreadPool;
        created->setMaxThreadCount(2);
        created->setExpiryTimeout(-1);
        return created;
    }();
    return *pool;
}

// Lives on the GUI thread for the whole process (made there on first use, never
// destroyed). Finished renders are posted to it, so a worker never posts to a model
// that may be gone; the model is looked up through a QPointer on the GUI thread.
QObject &renderResults()
{
    static QObject *const receiver = new QObject;
    return *receiver;
}

} // namespace

QImage renderPreviewImage(const PdfPage &page, int width)
{
    QImage image = page.render(width);
    if (image.isNull())
        return image;
    QImage gray = grayCopy(image);
    return gray.isNull() ? image : gray;
}

QFuture<void> DocumentPreviewModel::load(const QString &answer, const QString &workingDirectory)
{
    if (!m_acceptsLoads)
        return QtFuture::makeReadyFuture();
    const QList<CitedPage> &cited = m_citations.pages(answer);
    QString key = loadKeyFor(cited, workingDirectory);
    if (key == m_loadedKey)
        return QtFuture::makeReadyFuture(); // the shown state already belongs to this answer

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

void DocumentPreviewModel::renderInBackground(const PageWork &work, std::function<void(const RenderedPage &)> done)
{
    // A second load asking for a page that is already being rendered from the same
    // opened document waits for that render instead of starting another.
    if (const auto it = m_rendering.constFind(work.key);
        it != m_rendering.cend() && (*it)->work.document == work.document) {
        (*it)->waiters.append(std::move(done));
        return;
    }
    auto pending = std::make_shared<PendingRender>();
    pending->work = work;
    pending->waiters.append(std::move(done));
    m_rendering.insert(work.key, pending);
    // Worker thread: touches only its own page handle (the backend serializes access
    // to the document) and hands everything else back untouched.
    QObject &receiver = renderResults();
    renderPool().start([model = QPointer<DocumentPreviewModel>(this), pending = std::move(pending),
                        page = work.pdfPage, &receiver]() mutable {
        QImage image = renderPreviewImage(*page, renderWidth);
        page.reset();
        QMetaObject::invokeMethod(
            &receiver,
            [model = std::move(model), pending = std::move(pending), image = std::move(image)] {
                if (model)
                    model->renderFinished(pending, image);
            },
            Qt::QueuedConnection);
    });
}

void DocumentPreviewModel::renderFinished(const std::shared_ptr<PendingRender> &pending, const QImage &image)
{
    const PageWork &work = pending->work;
    if (m_rendering.value(work.key) == pending)
        m_rendering.remove(work.key);
    // Kept (even when the load that asked went stale) only while the document it came
    // from is still the cached one: a reset, a deactivation or a new working directory
    // dropped that document, and the image goes with it.
    const RenderedPage page = storeRendered(work, image, m_documents.value(work.path) == work.document);
    const auto waiters = std::move(pending->waiters);
    for (const auto &waiter : waiters)
        waiter(page);
}

} // namespace tovik
