#include "pdfbuilder.h"
#include "picturescan/pagepicturedocument.h"
#include "picturescan/picturescanner.h"
#include "support/isolatedhome.h"

#include <QtTest>

#include <sstream>

using namespace tovik;
using test::drawImage;
using test::PdfBuilder;

namespace {

// A PDF written by hand without a cross-reference table, so readers have to
// reconstruct it. `objects` are numbered from 1; object 1 must be the catalog.
QByteArray handWrittenPdf(const QList<QByteArray> &objects)
{
    QByteArray pdf = "%PDF-1.4\n";
    for (qsizetype i = 0; i < objects.size(); ++i)
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    return pdf + "trailer\n<< /Root 1 0 R /Size " + QByteArray::number(objects.size() + 1) + " >>\n%%EOF\n";
}

QByteArray onePage(const QByteArray &pageEntries, const QList<QByteArray> &moreObjects)
{
    QList<QByteArray> objects{"<< /Type /Catalog /Pages 2 0 R >>",
                              "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                              "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] " + pageEntries + " >>"};
    return handWrittenPdf(objects + moreObjects);
}

QByteArray stream(const QByteArray &dictionary, const QByteArray &data, qsizetype declaredLength = -1)
{
    return "<< " + dictionary + " /Length " + QByteArray::number(declaredLength < 0 ? data.size() : declaredLength)
        + " >>\nstream\n" + data + "\nendstream";
}

const QByteArray image100 = stream("/Type /XObject /Subtype /Image /Width 100 /Height 100 /ColorSpace /DeviceGray "
                                   "/BitsPerComponent 8",
                                   QByteArray(10000, '\x80'));

// A well-formed document with forms and several pictures, to be damaged.
QByteArray sampleDocument()
{
    PdfBuilder builder;
    QPDFObjectHandle image = builder.image(120, 90);
    QPDFObjectHandle form = builder.form(drawImage(10, 10, 150, 100), {{"/Im0", image}}, "/Matrix [1 0 0 1 20 30]");
    builder.addPage(drawImage(50, 600, 200, 100) + drawImage(252, 600, 100, 100) + "q 1 0 0 1 300 200 cm /Fm0 Do Q",
                    {{"/Im0", image}, {"/Fm0", form}});
    builder.addPage("q 0.5 0 0 0.5 0 0 cm /Fm0 Do Q " + drawImage(300, 300, 80, 60), {{"/Im0", image}, {"/Fm0", form}},
                    QRectF(0, 0, 612, 792), "/Rotate 90 /CropBox [10 10 600 780]");
    return builder.bytes(false);
}

// Scans every page (at most four) and draws every picture found; checks that what
// comes back is sane. Returns the number of pictures.
int exercise(const QByteArray &pdf)
{
    std::unique_ptr<PagePictureDocument> document = PagePictureDocument::fromData(pdf);
    if (!document)
        return 0;
    int found = 0;
    for (int page = 0; page < std::min(document->pageCount(), 4); ++page) {
        const std::optional<PicturePageBox> box = document->pageBox(page);
        for (const PlacedImage &placed : document->placedImages(page)) {
            if (!std::isfinite(placed.bounds.width()) || !std::isfinite(placed.bounds.height()))
                qFatal("a placed image with unbounded size");
        }
        const QList<PagePicture> pictures = document->pictures(page);
        if (pictures.size() > 16 || (!pictures.isEmpty() && !box))
            qFatal("too many pictures, or pictures without a page box");
        for (const PagePicture &picture : pictures) {
            if (!box->cropBox.adjusted(-1, -1, 1, 1).contains(picture.bounds))
                qFatal("a picture outside its page");
            const QImage image = document->renderPicture(picture, page);
            if (!image.isNull() && std::max(image.width(), image.height()) > 4097)
                qFatal("a rendered picture over the size limit");
            ++found;
        }
    }
    return found;
}

} // namespace

class TestPictureRobustness : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void sampleIsReadable();
    void truncatedFiles();
    void damagedBytes();
    void brokenDocuments_data();
    void brokenDocuments();
    void formsDrawingThemselvesStop();
    void countlessImagesAreCapped();
};

void TestPictureRobustness::sampleIsReadable()
{
    QCOMPARE(exercise(sampleDocument()), 4);
}

void TestPictureRobustness::truncatedFiles()
{
    const QByteArray pdf = sampleDocument();
    for (qsizetype length = 0; length < pdf.size(); length += std::max<qsizetype>(1, pdf.size() / 97))
        exercise(pdf.left(length));
}

void TestPictureRobustness::damagedBytes()
{
    const QByteArray pdf = sampleDocument();
    quint32 state = 20240601;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int round = 0; round < 150; ++round) {
        QByteArray damaged = pdf;
        const int changes = 1 + int(next() % 8);
        for (int i = 0; i < changes; ++i)
            damaged[qsizetype(next() % quint32(damaged.size()))] = char(next() & 0xFF);
        exercise(damaged);
    }
}

void TestPictureRobustness::brokenDocuments_data()
{
    QTest::addColumn<QByteArray>("pdf");
    QTest::addColumn<int>("expectedPictures");
    const QByteArray resources = "/Resources << /XObject << /Im0 5 0 R >> >> ";

    QTest::newRow("content stream shorter than its length")
        << onePage(resources + "/Contents 4 0 R", {stream("", "q 200 0 0 100 50 600 cm /Im0 Do Q q 1 0 0", 400), image100})
        << 1;
    QTest::newRow("content stream cut inside a token")
        << onePage(resources + "/Contents 4 0 R", {stream("", "q 200 0 0 100 50 600 cm /Im0 Do Q (unterminated"), image100})
        << 1;
    QTest::newRow("undecodable content stream")
        << onePage(resources + "/Contents 4 0 R", {stream("/Filter /FlateDecode", "\x01\x02garbage\xff\xfe"), image100})
        << 0;
    QTest::newRow("contents is a dictionary")
        << onePage(resources + "/Contents << /A 1 >>", {"null", image100}) << 0;
    QTest::newRow("resources of the wrong type")
        << onePage("/Resources [1 2 3] /Contents 4 0 R", {stream("", "q 200 0 0 100 50 600 cm /Im0 Do Q"), image100})
        << 0;
    QTest::newRow("XObject entry is a dictionary")
        << onePage("/Resources << /XObject << /Im0 << /Subtype /Image /Width 10 /Height 10 >> >> >> /Contents 4 0 R",
                   {stream("", "q 200 0 0 100 50 600 cm /Im0 Do Q")})
        << 0;
    // An image scaled beyond any page joins everything into one page-sized group,
    // which is dropped; the page then goes the scanned-page way, where what it finds
    // depends on how the renderer copes with the matrix (-1: any count is fine).
    QTest::newRow("astronomic matrix")
        << onePage(resources + "/Contents 4 0 R",
                   {stream("", "q 99999999999999999999999999999999999999999999999999.0 0 0 "
                               "99999999999999999999999999999999999999999999999999.0 0 0 cm /Im0 Do Q "
                               "q 200 0 0 100 50 600 cm /Im0 Do Q"),
                    image100})
        << -1;
    // Singular and vanishing matrices place nothing; a cm short of operands is
    // ignored (the image lands in the unit square, too small to be a picture).
    QTest::newRow("collapsed matrices")
        << onePage(resources + "/Contents 4 0 R",
                   {stream("", "q 0 0 0 0 0 0 cm /Im0 Do Q "
                               "q 0.000000000000000000000000001 0 0 1 5 5 cm /Im0 Do Q "
                               "q 1 2 3 4 cm /Im0 Do Q "
                               "q 200 0 0 100 50 600 cm /Im0 Do Q"),
                    image100})
        << 1;
    // A width too large to read and a negative one skip their images; an enormous
    // readable one only makes a very fine resolution.
    QTest::newRow("huge and negative image sizes")
        << onePage("/Resources << /XObject << /A 5 0 R /B 6 0 R /C 7 0 R >> >> /Contents 4 0 R",
                   {stream("", "q 200 0 0 100 50 600 cm /A Do Q q 200 0 0 100 50 300 cm /B Do Q "
                               "q 200 0 0 100 50 50 cm /C Do Q"),
                    stream("/Subtype /Image /Width 99999999999999999999999999 /Height 100", ""),
                    stream("/Subtype /Image /Width 2147483648000 /Height 4000000000000.5", ""),
                    stream("/Subtype /Image /Width -400 /Height 100", "")})
        << 1;
    // QPDF refuses a looping pages tree: no pages, no pictures.
    QTest::newRow("pages tree that contains itself")
        << handWrittenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [2 0 R 3 0 R] /Count 2 >>",
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] " + resources + "/Contents 4 0 R >>",
                           stream("", "q 200 0 0 100 50 600 cm /Im0 Do Q"), image100})
        << 0;
    QTest::newRow("deep save stack")
        << onePage(resources + "/Contents 4 0 R",
                   {stream("", QByteArray("q ").repeated(200000) + "200 0 0 100 50 600 cm /Im0 Do "
                                   + QByteArray("Q ").repeated(300000) + "q 100 0 0 100 300 300 cm /Im0 Do Q"),
                    image100})
        << 2;
    QTest::newRow("page of no width with a full-page image")
        << handWrittenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 1 100000] " + resources + "/Contents 4 0 R >>",
                           stream("", "q 1 0 0 100000 0 0 cm /Im0 Do Q"), image100})
        << 0;
    // Its picture lies far out on a page 10⁹ points wide: too far to address.
    QTest::newRow("picture on a giant page")
        << handWrittenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 1000000000 792] " + resources + "/Contents 4 0 R >>",
                           stream("", "q 200 0 0 100 999999000 600 cm /Im0 Do Q"), image100})
        << 1;
    // Drawn 1000 pixels wide, this scan would be ten million pixels tall.
    QTest::newRow("scanned strip")
        << handWrittenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 100000] " + resources + "/Contents 4 0 R >>",
                           stream("", "q 10 0 0 100000 0 0 cm /Im0 Do Q"), image100})
        << 0;
}

void TestPictureRobustness::brokenDocuments()
{
    QFETCH(QByteArray, pdf);
    QFETCH(int, expectedPictures);
    const int found = exercise(pdf);
    if (expectedPictures >= 0)
        QCOMPARE(found, expectedPictures);
}

void TestPictureRobustness::formsDrawingThemselvesStop()
{
    // Each form draws itself (or its partner) 40 times and an image once: without a
    // limit on work that would be 40^7 drawings.
    PdfBuilder builder;
    QPDFObjectHandle image = builder.image(300, 300);
    const std::string drawSelf = [] {
        std::string content;
        for (int i = 0; i < 40; ++i)
            content += "/Fm0 Do ";
        return content + drawImage(100, 100, 300, 300);
    }();
    QPDFObjectHandle self = builder.form(drawSelf, {{"/Im0", image}});
    self.getDict().getKey("/Resources").getKey("/XObject").replaceKey("/Fm0", self);
    QPDFObjectHandle a = builder.form(drawSelf, {{"/Im0", image}});
    QPDFObjectHandle b = builder.form(drawSelf, {{"/Im0", image}});
    a.getDict().getKey("/Resources").getKey("/XObject").replaceKey("/Fm0", b);
    b.getDict().getKey("/Resources").getKey("/XObject").replaceKey("/Fm0", a);
    builder.addPage("/Fm0 Do", {{"/Fm0", self}});
    builder.addPage("/Fm0 Do", {{"/Fm0", a}});
    std::unique_ptr<PagePictureDocument> document = PagePictureDocument::fromData(builder.bytes());
    for (int page = 0; page < 2; ++page) {
        QCOMPARE(document->placedImages(page).size(), PictureScanner::maximumPlacedImages);
        QCOMPARE(document->pictures(page), (QList<PagePicture>{{QRectF(100, 100, 300, 300), 1.0}}));
    }
}

void TestPictureRobustness::countlessImagesAreCapped()
{
    PdfBuilder builder;
    std::string content;
    for (int i = 0; i < 30000; ++i)
        content += drawImage(20 + (i % 100) * 5, 20 + (i / 100) * 2, 4, 2);
    builder.addPage(content, {{"/Im0", builder.image(8, 8)}});
    std::unique_ptr<PagePictureDocument> document = PagePictureDocument::fromData(builder.bytes());
    QCOMPARE(document->placedImages(0).size(), PictureScanner::maximumPlacedImages);
    // The first 20,000 images form one touching block 500 points wide and 400 high.
    QCOMPARE(document->pictures(0), (QList<PagePicture>{{QRectF(20, 20, 499, 400), 4.0}}));
}

QTEST_GUILESS_MAIN(TestPictureRobustness)
#include "test_picturerobustness.moc"
