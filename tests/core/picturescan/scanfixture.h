#pragma once

#include <QImage>
#include <QRectF>

namespace tovik::test {

// A letter page "scanned" at 144 dpi (1224 × 1584 pixels, 2 pixels per point): a PDF
// page with paragraphs of Helvetica text and a framed bar chart, drawn by Poppler.
struct ScanFixture
{
    QImage image;
    // The chart's frame in page space (points, origin lower left).
    QRectF chart;
};

// `withChart` false leaves the chart out (text only).
ScanFixture scannedLetterPage(bool withChart = true);

} // namespace tovik::test
