#include "scanfixture.h"

#include "pdfbuilder.h"

#include <poppler-qt6.h>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <sstream>

namespace tovik::test {

namespace {

const char *const words[] = {"picture", "scanner", "reads", "the", "page", "and", "finds", "every", "image",
                             "placed", "on", "it", "while", "text", "flows", "around", "charts", "in", "columns"};

std::string paragraph(double top, int lines, unsigned seed)
{
    std::ostringstream out;
    out << "BT /F1 10 Tf 13 TL 72 " << top << " Td\n";
    unsigned state = seed;
    for (int line = 0; line < lines; ++line) {
        std::string text;
        while (text.size() < 88) {
            state = state * 1664525u + 1013904223u;
            text += words[(state >> 16) % (sizeof words / sizeof *words)];
            text += ' ';
        }
        out << "(" << text << ") Tj T*\n";
    }
    out << "ET\n";
    return out.str();
}

std::string chart(const QRectF &frame)
{
    std::ostringstream out;
    out << "q 1.5 w 0 G " << frame.x() << ' ' << frame.y() << ' ' << frame.width() << ' ' << frame.height()
        << " re S\n";
    const int bars = 9;
    const double gap = frame.width() / (bars * 3 + 1);
    for (int i = 0; i < bars; ++i) {
        const double height = frame.height() * (30 + (i * 37) % 55) / 100.0;
        out << (i % 2 ? "0.24 0.35 0.63 rg " : "0.78 0.31 0.16 rg ") << frame.x() + gap + i * 3 * gap << ' '
            << frame.y() + 2 << ' ' << 2 * gap << ' ' << height << " re f\n";
    }
    out << "Q\n";
    return out.str();
}

} // namespace

ScanFixture scannedLetterPage(bool withChart)
{
    ScanFixture fixture;
    fixture.chart = QRectF(150, 292, 310, 210);
    PdfBuilder builder;
    std::string content = paragraph(720, 14, 1) + paragraph(260, 14, 2);
    if (withChart)
        content += chart(fixture.chart);
    QPDFObjectHandle page = builder.addPage(content);
    page.getKey("/Resources").replaceKey(
        "/Font", QPDFObjectHandle::parse("<< /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >>"));
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(builder.bytes());
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    fixture.image = document->page(0)->renderToImage(144, 144).convertToFormat(QImage::Format_RGB32);
    return fixture;
}

} // namespace tovik::test
