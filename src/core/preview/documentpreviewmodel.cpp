#include "preview/documentpreviewmodel.h"

#include "i18n/translate.h"
#include "preview/citations.h"
#include "preview/documentpreviewwork.h"

namespace tovik {

DocumentPreviewModel::DocumentPreviewModel(QObject *parent)
    : QObject(parent)
{
    // Pages of one load render one after another; a second thread would only wait
    // for the lock of the same document.
    m_renderPool.setMaxThreadCount(1);
}

DocumentPreviewModel::~DocumentPreviewModel()
{
    // A running render posts back to this object; it must end before the object does.
    m_renderPool.clear();
    m_renderPool.waitForDone();
}

void DocumentPreviewModel::setPageOrder(CitationPageOrder order)
{
    if (m_pageOrder == order)
        return;
    m_pageOrder = order;
    Q_EMIT pageOrderChanged();
    Q_EMIT rowsChanged();
}

void DocumentPreviewModel::setAcceptsLoads(bool accepts)
{
    if (m_acceptsLoads == accepts)
        return;
    m_acceptsLoads = accepts;
    Q_EMIT acceptsLoadsChanged();
}

void DocumentPreviewModel::reset()
{
    bumpGeneration();
    dropCaches();
    setGroups({});
    setLoadedKey({});
    setLoadedDirectory({});
    setLoading(false);
    setNotice(std::nullopt);
}

void DocumentPreviewModel::deactivate()
{
    if (m_acceptsLoads)
        setAcceptsLoads(false);
    else if (m_documents.isEmpty() && m_images.isEmpty() && m_groups.isEmpty() && !m_isLoading)
        return; // nothing to drop
    reset();
}

std::shared_ptr<PdfDocument> DocumentPreviewModel::pdfDocument(const QString &path)
{
    if (const auto it = m_documents.constFind(path); it != m_documents.cend())
        return *it;
    PdfOpenResult opened = openPdfDocument(path);
    if (!opened.document)
        return nullptr;
    m_documents.insert(path, opened.document);
    Q_EMIT documentsChanged();
    return opened.document;
}

RenderedPage DocumentPreviewModel::renderPage(const std::shared_ptr<PdfDocument> &document, const QString &path,
                                              qint64 page)
{
    const PageWork work = preparePage(document, path, page);
    if (work.done)
        return *work.done;
    return storeRendered(work, renderPreviewImage(*work.pdfPage, renderWidth));
}

DocumentPreviewModel::PageWork DocumentPreviewModel::preparePage(const std::shared_ptr<PdfDocument> &document,
                                                                 const QString &path, qint64 page) const
{
    PageWork work;
    work.path = path;
    work.key = imageKey(path, page);
    work.page = page;
    work.document = document;
    const auto problem = [&](const QString &english) {
        work.done = RenderedPage{page, {}, nullptr, translated(english, {{QStringLiteral("page"), QString::number(page)}})};
        return work;
    };
    const QString noPage = QStringLiteral("There is no page {page}.");
    if (!document || page < 1 || page > document->pageCount())
        return problem(noPage);
    std::shared_ptr<PdfPage> pdfPage = document->page(int(page - 1));
    if (!pdfPage)
        return problem(noPage);
    if (const auto it = m_images.constFind(work.key); it != m_images.cend()) {
        work.done = RenderedPage{page, *it, pdfPage, std::nullopt};
        return work;
    }
    // The backend gives the crop box with width and height already swapped for odd
    // quarter turns.
    const QSizeF shown = pdfPage->geometry().displayedSize();
    if (!(shown.width() > 1 && shown.height() > 1))
        return problem(QStringLiteral("Page {page} has no size."));
    work.pdfPage = std::move(pdfPage);
    return work;
}

RenderedPage DocumentPreviewModel::storeRendered(const PageWork &work, const QImage &image, bool keep)
{
    if (image.isNull()) {
        // Poppler failed, or the page is too tall to render 1600 pixels wide.
        return RenderedPage{work.page, {}, nullptr,
                            translated(QStringLiteral("Couldn't render page {page}."),
                                       {{QStringLiteral("page"), QString::number(work.page)}})};
    }
    if (keep) {
        m_images.insert(work.key, image);
        Q_EMIT imagesChanged();
    }
    return RenderedPage{work.page, image, work.pdfPage, std::nullopt};
}

QString DocumentPreviewModel::loadKey(const QString &answer, const QString &workingDirectory)
{
    return loadKeyFor(m_citations.pages(answer), workingDirectory);
}

const QList<CitedPage> &DocumentPreviewModel::citedPagesOf(const QString &answer)
{
    return m_citations.pages(answer);
}

QList<PreviewRow> DocumentPreviewModel::rows() const
{
    QList<PreviewRow> rows;
    if (m_isLoading)
        rows.append(PreviewRow::loadingRow());
    for (const CitedDocument &document : m_groups) {
        rows.append(PreviewRow::headerRow(document));
        for (const RenderedPage &page : orderPages(document.pages, m_pageOrder))
            rows.append(PreviewRow::pageRow(document.filename, page));
    }
    return rows;
}

QString DocumentPreviewModel::imageKey(const QString &path, qint64 page)
{
    return path + QLatin1Char('#') + QString::number(page);
}

void DocumentPreviewModel::setGroups(const QList<CitedDocument> &groups)
{
    if (m_groups == groups)
        return;
    m_groups = groups;
    Q_EMIT groupsChanged();
    Q_EMIT rowsChanged();
}

void DocumentPreviewModel::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
    Q_EMIT rowsChanged();
}

void DocumentPreviewModel::setNotice(const std::optional<QString> &notice)
{
    if (m_notice == notice)
        return;
    m_notice = notice;
    Q_EMIT noticeChanged();
}

void DocumentPreviewModel::setLoadedKey(const QString &key)
{
    if (m_loadedKey == key)
        return;
    m_loadedKey = key;
    Q_EMIT loadedKeyChanged();
}

void DocumentPreviewModel::setLoadedDirectory(const QString &directory)
{
    if (m_loadedDirectory == directory)
        return;
    m_loadedDirectory = directory;
    Q_EMIT loadedDirectoryChanged();
}

void DocumentPreviewModel::bumpGeneration()
{
    ++m_generation;
    Q_EMIT generationChanged();
}

void DocumentPreviewModel::dropCaches()
{
    if (!m_documents.isEmpty()) {
        m_documents.clear();
        Q_EMIT documentsChanged();
    }
    if (!m_images.isEmpty()) {
        m_images.clear();
        Q_EMIT imagesChanged();
    }
}

} // namespace tovik
