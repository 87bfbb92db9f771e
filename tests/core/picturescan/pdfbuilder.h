#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <QByteArray>
#include <QImage>
#include <QRectF>

#include <map>
#include <string>

namespace tovik::test {

using XObjects = std::map<std::string, QPDFObjectHandle>;

// Writes small PDFs with QPDF for the picture tests; content streams are given as
// PDF text. Names in XObjects maps include the slash ("/Im0").
class PdfBuilder final
{
public:
    PdfBuilder();

    // A gray 8-bit image XObject of the given size, every pixel `gray`.
    // `extraEntries` is added to its dictionary, e.g. "/ImageMask true".
    QPDFObjectHandle image(int width, int height, const std::string &extraEntries = {}, int gray = 128);
    // An RGB image XObject with the pixels of `picture`.
    QPDFObjectHandle image(const QImage &picture);
    // A form XObject. Without `xobjects` it gets no /Resources at all.
    QPDFObjectHandle form(const std::string &content, const XObjects &xobjects = {},
                          const std::string &extraEntries = {});
    // Any stream: dictionary text and raw data.
    QPDFObjectHandle stream(const std::string &dictionary, const std::string &data);

    // Adds a page; `extraEntries` goes into the page dictionary ("/Rotate 90").
    QPDFObjectHandle addPage(const std::string &content, const XObjects &xobjects = {},
                             const QRectF &mediaBox = QRectF(0, 0, 612, 792), const std::string &extraEntries = {});

    QPDF &pdf() { return m_pdf; }
    // The document as PDF bytes; `compress` flate-encodes the streams.
    QByteArray bytes(bool compress = true);

private:
    static QPDFObjectHandle resources(const XObjects &xobjects);

    QPDF m_pdf;
};

// The content of a page that draws /Im0 in the rectangle (x, y, w, h).
std::string drawImage(double x, double y, double w, double h, const std::string &name = "/Im0");

} // namespace tovik::test
