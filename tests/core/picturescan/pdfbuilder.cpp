#include "pdfbuilder.h"

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <sstream>

namespace tovik::test {

namespace {

void addEntries(QPDFObjectHandle dictionary, const std::string &entries)
{
    if (entries.empty())
        return;
    for (const auto &[key, value] : QPDFObjectHandle::parse("<< " + entries + " >>").getDictAsMap())
        dictionary.replaceKey(key, value);
}

} // namespace

PdfBuilder::PdfBuilder()
{
    m_pdf.emptyPDF();
}

QPDFObjectHandle PdfBuilder::stream(const std::string &dictionary, const std::string &data)
{
    QPDFObjectHandle result = m_pdf.newStream(data);
    addEntries(result.getDict(), dictionary);
    return result;
}

QPDFObjectHandle PdfBuilder::image(int width, int height, const std::string &extraEntries, int gray)
{
    std::ostringstream dictionary;
    dictionary << "/Type /XObject /Subtype /Image /Width " << width << " /Height " << height
               << " /ColorSpace /DeviceGray /BitsPerComponent 8";
    QPDFObjectHandle result = stream(dictionary.str(), std::string(size_t(width) * size_t(height), char(gray)));
    addEntries(result.getDict(), extraEntries);
    return result;
}

QPDFObjectHandle PdfBuilder::image(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    std::string data;
    data.reserve(size_t(rgb.width()) * size_t(rgb.height()) * 3);
    for (int y = 0; y < rgb.height(); ++y)
        data.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), size_t(rgb.width()) * 3);
    std::ostringstream dictionary;
    dictionary << "/Type /XObject /Subtype /Image /Width " << rgb.width() << " /Height " << rgb.height()
               << " /ColorSpace /DeviceRGB /BitsPerComponent 8";
    return stream(dictionary.str(), data);
}

QPDFObjectHandle PdfBuilder::resources(const XObjects &xobjects)
{
    QPDFObjectHandle table = QPDFObjectHandle::newDictionary();
    for (const auto &[name, object] : xobjects)
        table.replaceKey(name, object);
    QPDFObjectHandle result = QPDFObjectHandle::newDictionary();
    result.replaceKey("/XObject", table);
    return result;
}

QPDFObjectHandle PdfBuilder::form(const std::string &content, const XObjects &xobjects, const std::string &extraEntries)
{
    QPDFObjectHandle result = stream("/Type /XObject /Subtype /Form /BBox [0 0 1000 1000] " + extraEntries, content);
    if (!xobjects.empty())
        result.getDict().replaceKey("/Resources", resources(xobjects));
    return result;
}

QPDFObjectHandle PdfBuilder::addPage(const std::string &content, const XObjects &xobjects, const QRectF &mediaBox,
                                     const std::string &extraEntries)
{
    QPDFObjectHandle page = m_pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page >>"));
    page.replaceKey("/MediaBox", QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(
                                     mediaBox.left(), mediaBox.top(), mediaBox.right(), mediaBox.bottom())));
    page.replaceKey("/Contents", m_pdf.newStream(content));
    page.replaceKey("/Resources", resources(xobjects));
    addEntries(page, extraEntries);
    QPDFPageDocumentHelper(m_pdf).addPage(QPDFPageObjectHelper(page), false);
    return page;
}

QByteArray PdfBuilder::bytes(bool compress)
{
    QPDFWriter writer(m_pdf);
    writer.setOutputMemory();
    writer.setStaticID(true);
    writer.setCompressStreams(compress);
    writer.write();
    std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char *>(buffer->getBuffer()), qsizetype(buffer->getSize()));
}

std::string drawImage(double x, double y, double w, double h, const std::string &name)
{
    std::ostringstream content;
    content << "q " << w << " 0 0 " << h << " " << x << " " << y << " cm " << name << " Do Q\n";
    return content.str();
}

} // namespace tovik::test
