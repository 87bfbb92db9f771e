// libFuzzer target for the page picture scanner: the content-stream walk and the
// grouping, the parts that read untrusted PDF structure. The first input byte picks
// what the rest is: an entire PDF file (even) or a page's content stream (odd),
// which is then also the content of a form that draws itself, so nesting, resource
// lookup and the matrix stack get exercised.
#include "picturescan/picturegrouping.h"
#include "picturescan/picturescanner.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <cmath>
#include <cstdlib>
#include <string>

using namespace tovik;

namespace {

void scanPages(QPDF &pdf)
{
    const QRectF cropBox(0, 0, 612, 792);
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    for (size_t i = 0; i < pages.size() && i < 4; ++i) {
        PictureScanner scanner(pages[i]);
        const QList<PlacedImage> placed = scanner.scanPage();
        const QList<PagePicture> pictures = groupPlacedImages(placed, cropBox);
        if (pictures.size() > maximumPicturesPerPage)
            std::abort();
        for (const PagePicture &picture : pictures) {
            if (!cropBox.contains(picture.bounds) || !std::isfinite(picture.bounds.width()))
                std::abort();
        }
        fullPageImages(placed, cropBox);
    }
}

void scanWholeFile(const char *data, size_t size)
{
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile("fuzz.pdf", data, size);
    scanPages(pdf);
}

void scanContentStream(const std::string &content)
{
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.emptyPDF();
    QPDFObjectHandle image = pdf.newStream(std::string(16, '\0'));
    image.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    image.getDict().replaceKey("/Width", QPDFObjectHandle::newInteger(40));
    image.getDict().replaceKey("/Height", QPDFObjectHandle::newReal(30.5, 1));
    QPDFObjectHandle form = pdf.newStream(content);
    form.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
    form.getDict().replaceKey("/Matrix", QPDFObjectHandle::parse("[0.5 0 0 2 10 -10]"));
    QPDFObjectHandle xobjects = QPDFObjectHandle::parse("<< >>");
    xobjects.replaceKey("/Im0", image);
    xobjects.replaceKey("/Fm0", form);
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/XObject", xobjects);
    form.getDict().replaceKey("/Resources", resources);
    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
    page.replaceKey("/Contents", pdf.newStream(content));
    page.replaceKey("/Resources", resources);
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
    scanPages(pdf);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    if (size < 1)
        return 0;
    const char *rest = reinterpret_cast<const char *>(data + 1);
    try {
        // Only building the document may throw here; the scanner itself must not.
        if (data[0] % 2 == 0)
            scanWholeFile(rest, size - 1);
        else
            scanContentStream(std::string(rest, size - 1));
    } catch (const std::exception &) {
    }
    return 0;
}
