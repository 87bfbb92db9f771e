#pragma once

#include "pdf/pdfdocument.h"

#include <memory>
#include <vector>

namespace tovik {

struct PopplerDocumentData;
class PopplerPdfPage;

// PdfDocument on Poppler-Qt6. Made by openPdfDocument().
class PopplerPdfDocument final : public PdfDocument
{
public:
    // `data` holds a loaded, unlocked document with at least one page.
    explicit PopplerPdfDocument(std::shared_ptr<PopplerDocumentData> data);
    ~PopplerPdfDocument() override;

    int pageCount() const override { return m_pageCount; }
    std::shared_ptr<PdfPage> page(int index) const override;

private:
    std::shared_ptr<PopplerDocumentData> m_data;
    int m_pageCount = 0;
    mutable std::vector<std::shared_ptr<PopplerPdfPage>> m_pages; // guarded by m_data->mutex
};

} // namespace tovik
