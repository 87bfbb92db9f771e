#include "pdf/popplerpdfdocument.h"

#include "pdf/popplerpdfpage.h"

#include <poppler-qt6.h>

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include <mutex>

namespace tovik {

namespace {

// Poppler reports every syntax problem of a damaged file through qDebug; the
// caller gets a failure value instead.
void silencePoppler()
{
    static std::once_flag once;
    std::call_once(once, [] { Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant()); });
}

// PDF readers accept the header anywhere in the first kilobyte.
bool startsLikePdf(QFile &file)
{
    return file.read(1024).contains("%PDF-");
}

} // namespace

PopplerPdfDocument::PopplerPdfDocument(std::shared_ptr<PopplerDocumentData> data)
    : m_data(std::move(data))
    , m_pageCount(m_data->document->numPages())
    , m_pages(size_t(qMax(m_pageCount, 0)))
{
}

PopplerPdfDocument::~PopplerPdfDocument() = default;

std::shared_ptr<PdfPage> PopplerPdfDocument::page(int index) const
{
    if (index < 0 || index >= m_pageCount)
        return nullptr;
    QMutexLocker lock(&m_data->mutex);
    std::shared_ptr<PopplerPdfPage> &slot = m_pages[size_t(index)];
    if (!slot) {
        std::unique_ptr<Poppler::Page> page = m_data->document->page(index);
        if (!page)
            return nullptr;
        slot = std::make_shared<PopplerPdfPage>(m_data, index, std::move(page));
    }
    return slot;
}

PdfOpenResult openPdfDocument(const QString &path)
{
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return {nullptr, PdfOpenFailure::unreadable};
    if (!startsLikePdf(file))
        return {nullptr, PdfOpenFailure::notPdf};
    file.close();

    silencePoppler();
    auto data = std::make_shared<PopplerDocumentData>();
    data->document = Poppler::Document::load(path);
    if (!data->document)
        return {nullptr, PdfOpenFailure::damaged};
    if (data->document->isLocked())
        return {nullptr, PdfOpenFailure::encrypted};
    if (data->document->numPages() < 1)
        return {nullptr, PdfOpenFailure::damaged};
    data->document->setRenderHint(Poppler::Document::Antialiasing, true);
    data->document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    return {std::make_shared<PopplerPdfDocument>(std::move(data)), std::nullopt};
}

} // namespace tovik
