#include "pdfreader.h"

#include "log.h"
#include "ocrengine.h"

#include <QImage>
#include <QThread>

#include <poppler/qt6/poppler-qt6.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace ragtool {

namespace {

constexpr int maxOcrThreads = 4;

int letterCount(const QString &text)
{
    int count = 0;
    for (const QChar c : text)
        count += c.isLetterOrNumber() ? 1 : 0;
    return count;
}

std::unique_ptr<Poppler::Document> loadDocument(const QString &path)
{
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (document) {
        document->setRenderHint(Poppler::Document::Antialiasing);
        document->setRenderHint(Poppler::Document::TextAntialiasing);
    }
    return document;
}

QImage renderForRecognition(Poppler::Document &document, int pageIndex, int *dpi)
{
    const std::unique_ptr<Poppler::Page> page = document.page(pageIndex);
    if (!page)
        return {};
    const QSizeF points = page->pageSizeF();
    const double longer = std::max(points.width(), points.height());
    *dpi = PdfReader::renderDpi;
    if (longer > 0 && longer / 72.0 * *dpi > PdfReader::maxRenderPixels)
        *dpi = std::max(36, int(PdfReader::maxRenderPixels * 72.0 / longer));
    return page->renderToImage(*dpi, *dpi);
}

} // namespace

bool PdfReader::read(const QString &path, ExtractedDocument *document, QString *error)
{
    const std::unique_ptr<Poppler::Document> pdf = loadDocument(path);
    if (!pdf) {
        *error = QStringLiteral("not a readable PDF");
        return false;
    }
    if (pdf->isLocked()) {
        *error = QStringLiteral("the PDF is protected by a password");
        return false;
    }
    const int pageCount = pdf->numPages();
    if (pageCount <= 0) {
        *error = QStringLiteral("the PDF has no pages");
        return false;
    }
    log::info(QStringLiteral("reading %1 pages").arg(pageCount));

    QList<QString> texts(pageCount);
    QList<int> withoutText;
    for (int i = 0; i < pageCount; ++i) {
        const std::unique_ptr<Poppler::Page> page = pdf->page(i);
        if (page)
            texts[i] = page->text(QRectF());
        if (letterCount(texts[i]) < minTextLayerCharacters)
            withoutText.append(i);
        if ((i + 1) % 50 == 0 && i + 1 < pageCount)
            log::info(QStringLiteral("read the text of %1 of %2 pages").arg(i + 1).arg(pageCount));
    }

    if (!withoutText.isEmpty()) {
        std::vector<QString> recognized(size_t(withoutText.size()));
        recognizePages(path, withoutText, &recognized);
        for (qsizetype k = 0; k < withoutText.size(); ++k) {
            if (letterCount(recognized[size_t(k)]) > letterCount(texts[withoutText[k]]))
                texts[withoutText[k]] = recognized[size_t(k)];
        }
    }

    document->kind = QStringLiteral("pdf");
    document->pageCount = pageCount;
    for (int i = 0; i < pageCount; ++i)
        document->pages.append(PageText{i + 1, texts[i]});
    return true;
}

void PdfReader::recognizePages(const QString &path, const QList<int> &pageIndexes, std::vector<QString> *texts)
{
    const qsizetype available = std::clamp(QThread::idealThreadCount(), 1, maxOcrThreads);
    const int threads = int(std::min(pageIndexes.size(), available));
    // Every thread gets its own document handle: Poppler documents are not shared across
    // threads while rendering.
    std::vector<std::unique_ptr<Poppler::Document>> documents;
    for (int t = 0; t < threads; ++t) {
        documents.push_back(loadDocument(path));
        if (!documents.back()) {
            log::warning(QStringLiteral("the PDF could not be opened again for text recognition"));
            return;
        }
    }
    log::info(QStringLiteral("recognizing the text of %1 page(s) without a text layer on %2 thread(s)")
                  .arg(pageIndexes.size())
                  .arg(threads));

    std::atomic<qsizetype> next{0};
    std::atomic<int> done{0};
    auto work = [&](Poppler::Document *pdf) {
        OcrEngine engine;
        QString startError;
        if (!engine.start(&startError)) {
            log::warning(startError);
            return;
        }
        for (qsizetype k = next++; k < pageIndexes.size(); k = next++) {
            int dpi = 0;
            const QImage image = renderForRecognition(*pdf, pageIndexes[k], &dpi);
            if (image.isNull()) {
                log::warning(QStringLiteral("page %1 could not be rendered").arg(pageIndexes[k] + 1));
                continue;
            }
            (*texts)[size_t(k)] = engine.recognize(image, dpi);
            log::info(QStringLiteral("recognized page %1 (%2 of %3)")
                          .arg(pageIndexes[k] + 1)
                          .arg(++done)
                          .arg(pageIndexes.size()));
        }
    };
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t)
        workers.emplace_back(work, documents[size_t(t)].get());
    work(documents[0].get());
    for (std::thread &worker : workers)
        worker.join();
}

} // namespace ragtool
