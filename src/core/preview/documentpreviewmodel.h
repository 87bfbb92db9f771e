#pragma once

#include "pdf/pdfdocument.h"
#include "preview/citationpageorder.h"
#include "preview/citeddocument.h"
#include "preview/citedpage.h"
#include "preview/corpuslookup.h"
#include "preview/previewrow.h"
#include "preview/renderedpage.h"
#include "preview/streamingcitations.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <memory>
#include <optional>

namespace tovik {

// Opened PDF files by source path.
using PdfDocumentCache = QHash<QString, std::shared_ptr<PdfDocument>>;
// Rendered pages by source path, "#", page number.
using PageImageCache = QHash<QString, QImage>;

// The cited documents of one tab's answer with their cited pages rendered, built
// step by step so that the documents sidebar fills while the work goes on.
//
// Threads: the model lives on the GUI thread and every call, signal and state change
// happens there. A load is a chain of short steps on the GUI thread, each posted as
// its own event so the interface gets a turn after every published step. Opening a PDF
// and the cheap checks of a page run inside those steps. The corpus lookup and
// rendering a page image run on worker threads (shared by all models); their results
// come back as further steps, dropped when the load went stale meanwhile. A lookup
// that does not come back in time (a hung network share) ends the load with a notice.
class DocumentPreviewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<tovik::CitedDocument> groups READ groups NOTIFY groupsChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(QString notice READ noticeText NOTIFY noticeChanged)
    Q_PROPERTY(bool hasNotice READ hasNotice NOTIFY noticeChanged)
    Q_PROPERTY(tovik::CitationPageOrder pageOrder READ pageOrder WRITE setPageOrder NOTIFY pageOrderChanged)
    Q_PROPERTY(QString loadedKey READ loadedKey NOTIFY loadedKeyChanged)
    Q_PROPERTY(QString loadedDirectory READ loadedDirectory NOTIFY loadedDirectoryChanged)
    Q_PROPERTY(qint64 generation READ generation NOTIFY generationChanged)
    Q_PROPERTY(tovik::PdfDocumentCache documents READ documents NOTIFY documentsChanged)
    Q_PROPERTY(tovik::PageImageCache images READ images NOTIFY imagesChanged)
    Q_PROPERTY(bool acceptsLoads READ acceptsLoads WRITE setAcceptsLoads NOTIFY acceptsLoadsChanged)
    Q_DISABLE_COPY_MOVE(DocumentPreviewModel)

public:
    // Width in pixels of every rendered page.
    static constexpr int renderWidth = 1600;

    explicit DocumentPreviewModel(QObject *parent = nullptr);
    ~DocumentPreviewModel() override;

    const QList<CitedDocument> &groups() const { return m_groups; }
    bool isLoading() const { return m_isLoading; }
    const std::optional<QString> &notice() const { return m_notice; }
    QString noticeText() const { return m_notice.value_or(QString()); }
    bool hasNotice() const { return m_notice.has_value(); }
    CitationPageOrder pageOrder() const { return m_pageOrder; }
    // Reorders the rows only; nothing is loaded again.
    void setPageOrder(CitationPageOrder order);
    const QString &loadedKey() const { return m_loadedKey; }
    const QString &loadedDirectory() const { return m_loadedDirectory; }
    qint64 generation() const { return m_generation; }
    const PdfDocumentCache &documents() const { return m_documents; }
    const PageImageCache &images() const { return m_images; }
    bool acceptsLoads() const { return m_acceptsLoads; }
    // The preview shelf turns loading on and off; deactivate() also turns it off.
    void setAcceptsLoads(bool accepts);

    // Builds the sidebar for `answer` in `workingDirectory`. Returns at once, with
    // isLoading set and, for a new working directory, the caches emptied; the
    // future finishes when the load has finished, failed or been superseded (by a
    // newer load, reset or deactivate). Cancelling the future stops the load at its
    // next step and leaves the state as it is, like a superseded load.
    QFuture<void> load(const QString &answer, const QString &workingDirectory);
    // Drops everything and invalidates a running load. acceptsLoads stays as it is.
    void reset();
    // Stops this model from loading and frees its images and open files.
    void deactivate();

    // The opened document at `path`, from the cache or opened now; null when the file
    // can't be opened as a PDF (nothing is cached then).
    std::shared_ptr<PdfDocument> pdfDocument(const QString &path);
    // Page `page` of `document` at renderWidth pixels wide, from the cache or rendered
    // now on the calling (GUI) thread, or a page with a problem.
    RenderedPage renderPage(const std::shared_ptr<PdfDocument> &document, const QString &path, qint64 page);

    // What identifies a load: each cited page as filename, line feed, page number,
    // joined by U+001E, then U+001F and the working directory. Cheap to call on every
    // line of a streaming answer.
    QString loadKey(const QString &answer, const QString &workingDirectory);

    // The sidebar list: a loading row while loading, then per document its header and
    // its pages in pageOrder.
    QList<PreviewRow> rows() const;

    static QString imageKey(const QString &path, qint64 page);

    // How a load finds the source paths of the cited files: lookUpSourcePaths unless a
    // test sets another. Called on a worker thread with copies of its inputs.
    using CorpusLookupFunction = std::function<CorpusLookup(const QStringList &filenames, const QString &workingDirectory)>;
    void setCorpusLookup(CorpusLookupFunction lookup);
    // How long a load waits for the lookup before it gives up with a notice.
    static constexpr std::chrono::milliseconds defaultLookupTimeout{10'000};
    void setLookupTimeout(std::chrono::milliseconds timeout);

Q_SIGNALS:
    void groupsChanged();
    void isLoadingChanged();
    void noticeChanged();
    void pageOrderChanged();
    void loadedKeyChanged();
    void loadedDirectoryChanged();
    void generationChanged();
    void documentsChanged();
    void imagesChanged();
    void acceptsLoadsChanged();
    // Whenever groups, isLoading or pageOrder changed: rows() may differ.
    void rowsChanged();

private:
    struct LoadRun;
    using Run = std::shared_ptr<LoadRun>;
    struct PageWork;
    struct PendingRender;

    // Load steps, in order; each ends by posting the next one.
    void yieldThen(const Run &run, void (DocumentPreviewModel::*step)(const Run &));
    bool isCurrent(const Run &run) const;
    void stop(const Run &run);
    void lookUp(const Run &run);
    // False when the lookup of `run` already came back or timed out.
    bool settleLookup(const Run &run);
    void lookUpFinished(const Run &run, const CorpusLookup &lookup);
    void lookUpTimedOut(const Run &run);
    void nextFile(const Run &run);
    void openFile(const Run &run);
    void nextPage(const Run &run);
    void finishPage(const Run &run, const RenderedPage &page);
    void addPage(const Run &run, const RenderedPage &page);
    void finishLoad(const Run &run);
    // Shows the run's documents so far. A load of thousands of files or pages
    // publishes a few times a second, not after every step (each publish costs a pass
    // over every row in the views), and not at all while it only redoes what is shown.
    void publish(const Run &run);
    void publishNow(const Run &run);
    void publishPending();

    // The part of renderPage that needs no rendering: a problem page, a cached page,
    // or the page to render.
    PageWork preparePage(const std::shared_ptr<PdfDocument> &document, const QString &path, qint64 page) const;
    // The page for a finished render; the image goes into the cache when `keep`.
    RenderedPage storeRendered(const PageWork &work, const QImage &image, bool keep = true);
    void renderInBackground(const PageWork &work, std::function<void(const RenderedPage &)> done);
    void renderFinished(const std::shared_ptr<PendingRender> &pending, const QImage &image);

    void setGroups(const QList<CitedDocument> &groups);
    void setLoading(bool loading);
    void setNotice(const std::optional<QString> &notice);
    void setLoadedKey(const QString &key);
    void setLoadedDirectory(const QString &directory);
    void bumpGeneration();
    void dropCaches();

    QList<CitedDocument> m_groups;
    bool m_isLoading = false;
    std::optional<QString> m_notice;
    CitationPageOrder m_pageOrder = CitationPageOrder::source;
    QString m_loadedKey;
    QString m_loadedDirectory;
    qint64 m_generation = 0;
    PdfDocumentCache m_documents;
    PageImageCache m_images;
    bool m_acceptsLoads = true;

    CorpusLookupFunction m_corpusLookup = lookUpSourcePaths;
    std::chrono::milliseconds m_lookupTimeout = defaultLookupTimeout;
    StreamingCitations m_citations;
    QHash<QString, std::shared_ptr<PendingRender>> m_rendering;
    qsizetype m_shownRows = 0; // headers and pages in m_groups
    QElapsedTimer m_lastPublish;
    QTimer *m_publishTimer = nullptr;
    std::weak_ptr<LoadRun> m_pendingPublish;
};

} // namespace tovik
