// Rendering the pages of DocumentPreviewModel: the checks and the cache on the GUI
// thread, the render itself on a worker shared by all models.

#include "i18n/translate.h"
#include "preview/documentpreviewwork.h"
#include "system/processthreadpool.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace tovik {

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
// thread. When the application object goes, running renders are waited for, so none
// is left using Poppler while the process tears down.
QThreadPool &renderPool()
{
    static QThreadPool *const pool = newProcessThreadPool<&renderPool, -1>(2, -1);
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
