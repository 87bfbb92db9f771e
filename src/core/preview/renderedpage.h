#pragma once

#include "pdf/pdfpage.h"

#include <QImage>
#include <QMetaType>
#include <QString>

#include <memory>
#include <optional>

namespace tovik {

// One cited page as the sidebar shows it: either its rendered image together with
// the PDF page it came from, or a problem (already translated) and neither.
struct RenderedPage
{
    qint64 page = 0; // 1-based
    // 1600 pixels wide; null when the page has a problem. Pages that render all gray
    // (most text pages) are Format_Grayscale8, a quarter of the memory; others 32-bit.
    QImage image;
    std::shared_ptr<PdfPage> pdfPage;
    std::optional<QString> problem;

    bool hasImage() const { return !image.isNull(); }

    // Images compare by identity: a cached render is handed out as the same shared
    // image, and comparing pixels would cost a pass over megabytes.
    friend bool operator==(const RenderedPage &a, const RenderedPage &b)
    {
        return a.page == b.page && a.image.cacheKey() == b.image.cacheKey() && a.pdfPage == b.pdfPage
            && a.problem == b.problem;
    }
};

} // namespace tovik

Q_DECLARE_METATYPE(tovik::RenderedPage)
