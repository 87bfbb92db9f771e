#pragma once

#include "pdf/pdfpage.h"

#include <QMutex>
#include <QTransform>

#include <memory>
#include <optional>

namespace Poppler {
class Document;
class Page;
} // namespace Poppler

namespace tovik {

// What the pages of one Poppler document share: the document and the lock that
// serializes every use of it.
struct PopplerDocumentData
{
    QMutex mutex;
    std::unique_ptr<Poppler::Document> document;

    ~PopplerDocumentData();
};

class PopplerPdfPage final : public PdfPage
{
public:
    // Call with data->mutex held.
    PopplerPdfPage(std::shared_ptr<PopplerDocumentData> data, int index, std::unique_ptr<Poppler::Page> page);
    ~PopplerPdfPage() override;

    int index() const override { return m_index; }
    PdfPageGeometry geometry() const override { return m_geometry; }
    QImage render(int pixelWidth) const override;
    std::shared_ptr<const PdfTextLayer> textLayer() const override;

private:
    std::shared_ptr<const PdfTextLayer> extractText() const;
    QList<PdfTextLayer::Word> extractWords(int turns, int *uprightWords, int *longWords) const;
    // Poppler reports positions in points from the top left of the page as drawn
    // with `turns` extra quarter turns (on top of its own rotation); this takes them
    // to page space. The one place where the two spaces are converted.
    // None when Poppler's matrix cannot be inverted (a degenerate page box).
    std::optional<QTransform> popplerToPage(int turns) const;

    // Declared first so that the Poppler page goes before its document.
    std::shared_ptr<PopplerDocumentData> m_data;
    int m_index;
    std::unique_ptr<Poppler::Page> m_page;
    PdfPageGeometry m_geometry;
    mutable std::shared_ptr<const PdfTextLayer> m_textLayer; // guarded by m_data->mutex
};

} // namespace tovik
