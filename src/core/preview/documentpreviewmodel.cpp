#include "preview/documentpreviewmodel.h"

#include "preview/citations.h"
#include "preview/documentpreviewwork.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace tovik {

namespace {

// A page image is a few megabytes; glibc keeps freed blocks of that size in the
// arena of the render thread, so a deactivated tab would still hold its pages in
// resident memory. Give them back then, and only then: a tab that stays active renders
// its next question's pages into the same blocks, where a trim would make every new
// bitmap fault its pages in again (several times the cost of the render itself).
void returnFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace

DocumentPreviewModel::DocumentPreviewModel(QObject *parent)
    : QObject(parent)
{
}

// A render still on the worker finds the model gone and drops its image.
DocumentPreviewModel::~DocumentPreviewModel() = default;

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
    const bool heldImages = !m_images.isEmpty();
    reset();
    if (heldImages)
        returnFreedMemory();
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

QString DocumentPreviewModel::loadKey(const QString &answer, const QString &workingDirectory)
{
    return loadKeyFor(m_citations.pages(answer), workingDirectory);
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
    m_shownRows = m_groups.size();
    for (const CitedDocument &document : std::as_const(m_groups))
        m_shownRows += document.pages.size();
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
