#include "pdf/pdfdocument.h"
#include "pdffixtures.h"
#include "support/isolatedhome.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

using namespace tovik;

namespace {

const QStringList textLines = {QStringLiteral("Hello, world. Second sentence"),
                               QStringLiteral("The quick brown fox jumps"),
                               QStringLiteral("well-known results")};

const QStringList cjkLines = {QStringLiteral("本季報告顯示營收成長"), QStringLiteral("罕見字𠀋在此")};

bool hasInk(const QImage &image, const QRect &area)
{
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128)
                return true;
        }
    }
    return false;
}

} // namespace

// Drawing text into PDFs needs fonts, so these tests run a QGuiApplication on the
// offscreen platform.
class TestPdfDocument : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void textPageMapsEveryCharacterBack();
    void cjkPageKeepsSurrogatePairsTogether();
    void selectionsFollowWordsAndLines();
    void rotatedPagesRenderTurnedAndKeepTheirText_data();
    void rotatedPagesRenderTurnedAndKeepTheirText();
    void landscapeScanReadsInDisplayOrder();
    void pagesAreStableAndBounded();
    void renderingOnAWorkerWhileReadingText();
    void badFilesGiveFailureValues_data();
    void badFilesGiveFailureValues();
    void tinyPagesHaveNoImage_data();
    void tinyPagesHaveNoImage();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    std::shared_ptr<PdfPage> firstPage(const QString &file);

    QTemporaryDir m_dir;
};

void TestPdfDocument::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(test::writeTextPdf(path(QStringLiteral("text.pdf")), textLines));
    QVERIFY(test::writeTextPdf(path(QStringLiteral("cjk-qt.pdf")), cjkLines, QStringLiteral("Noto Sans CJK TC")));
    QVERIFY(test::repairCjkCharacterMap(path(QStringLiteral("cjk-qt.pdf")), path(QStringLiteral("cjk.pdf")), cjkLines));
}

std::shared_ptr<PdfPage> TestPdfDocument::firstPage(const QString &file)
{
    const PdfOpenResult opened = openPdfDocument(path(file));
    if (opened.failure || !opened.document)
        return nullptr;
    return opened.document->page(0);
}

void TestPdfDocument::textPageMapsEveryCharacterBack()
{
    const auto page = firstPage(QStringLiteral("text.pdf"));
    QVERIFY(page);
    QCOMPARE(page->geometry().rotation, 0);
    QCOMPARE(page->geometry().displayedSize(), QSizeF(612, 792));

    const auto layer = page->textLayer();
    QCOMPARE(layer->text(), textLines.join(QLatin1Char('\n')));
    QCOMPARE(layer, page->textLayer()); // extracted once

    int line = 0;
    for (qsizetype i = 0; i < layer->characterCount(); ++i) {
        const QChar c = layer->text().at(i);
        if (c == QLatin1Char('\n')) {
            ++line;
            continue;
        }
        if (c == QLatin1Char(' '))
            continue;
        const QRectF box = layer->characterBounds(i);
        QVERIFY2(!box.isEmpty(), qPrintable(QString::number(i)));
        // Page space: the box sits on its line's baseline, y growing upwards.
        QVERIFY2(box.top() < test::textPdfBaseline(line) + 1 && box.bottom() > test::textPdfBaseline(line) + 4,
                 qPrintable(QStringLiteral("%1 at %2").arg(c).arg(box.top())));
        QCOMPARE(layer->characterIndexAt(box.center()), i);
    }
    QCOMPARE(line, textLines.size() - 1);
    QCOMPARE(layer->characterIndexAt(QPointF(5, 5)), -1);
}

void TestPdfDocument::cjkPageKeepsSurrogatePairsTogether()
{
    const auto page = firstPage(QStringLiteral("cjk.pdf"));
    QVERIFY(page);
    const auto layer = page->textLayer();
    QCOMPARE(QString(layer->text()).remove(QLatin1Char(' ')), cjkLines.join(QLatin1Char('\n')));

    const qsizetype rare = layer->text().indexOf(QStringLiteral("𠀋"));
    QVERIFY(rare > 0);
    QCOMPARE(layer->characterBounds(rare), layer->characterBounds(rare + 1));
    QCOMPARE(layer->characterIndexAt(layer->characterBounds(rare).center()), rare);
    const qsizetype after = layer->text().indexOf(QStringLiteral("在"));
    QCOMPARE(layer->characterIndexAt(layer->characterBounds(after).center()), after);
    QVERIFY(layer->characterBounds(after).left() >= layer->characterBounds(rare).right() - 0.5);

    const auto word = layer->wordSelectionAt(layer->characterBounds(layer->text().indexOf(QStringLiteral("告"))).center());
    QVERIFY(word);
    QVERIFY(layer->selectionText(*word).contains(QStringLiteral("告")));
    QVERIFY(!layer->selectionText(*word).contains(QLatin1Char('\n')));
}

void TestPdfDocument::selectionsFollowWordsAndLines()
{
    const auto layer = firstPage(QStringLiteral("text.pdf"))->textLayer();
    const QString &text = layer->text();
    auto centre = [&](const QString &needle) { return layer->characterBounds(text.indexOf(needle)).center(); };

    // A comma or full stop after a word is not part of it; a hyphen splits words.
    QCOMPARE(layer->selectionText(*layer->wordSelectionAt(centre(QStringLiteral("orld")))), QStringLiteral("world"));
    QCOMPARE(layer->selectionText(*layer->wordSelectionAt(centre(QStringLiteral(",")))), QStringLiteral(","));
    QCOMPARE(layer->selectionText(*layer->wordSelectionAt(centre(QStringLiteral("nown")))), QStringLiteral("known"));

    QCOMPARE(layer->selectionText(*layer->lineSelectionAt(centre(QStringLiteral("quick")))), textLines[1]);
    // Between two words of a line: no character, but still the line.
    const QRectF q = layer->characterBounds(text.indexOf(QStringLiteral("quick")) - 2);
    const QRectF k = layer->characterBounds(text.indexOf(QStringLiteral("quick")));
    QCOMPARE(layer->selectionText(*layer->lineSelectionAt(QPointF((q.right() + k.left()) / 2, k.center().y()))),
             textLines[1]);
    QVERIFY(!layer->lineSelectionAt(QPointF(5, 5)));

    // Dragging from the left margin of line 1 to past the end of line 2.
    const auto between = layer->selectionBetween(QPointF(10, test::textPdfBaseline(1) + 4),
                                                 QPointF(600, test::textPdfBaseline(2) + 4));
    QVERIFY(between);
    QCOMPARE(layer->selectionText(*between), textLines[1] + QLatin1Char('\n') + textLines[2]);
    const QList<QRectF> lines = layer->selectionLineBounds(*between);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].center().y() > lines[1].center().y());
    QCOMPARE(layer->selectionBounds(*between), lines[0].united(lines[1]));

    QVERIFY(layer->selection({0, 5}));
    QVERIFY(!layer->selection({0, 0}));
    QVERIFY(!layer->selection({-1, 3}));
    QVERIFY(!layer->selection({layer->characterCount() - 2, 3}));
    QCOMPARE(layer->selectionText({layer->characterCount() - 2, 30}), QStringLiteral("ts"));
}

void TestPdfDocument::rotatedPagesRenderTurnedAndKeepTheirText_data()
{
    QTest::addColumn<int>("rotation");
    QTest::newRow("0") << 0;
    QTest::newRow("90") << 90;
    QTest::newRow("180") << 180;
    QTest::newRow("270") << 270;
    QTest::newRow("-90 is 270") << -90;
}

void TestPdfDocument::rotatedPagesRenderTurnedAndKeepTheirText()
{
    QFETCH(int, rotation);
    const QString file = QStringLiteral("rotated%1.pdf").arg(rotation);
    const QRectF crop(36, 72, 540, 684);
    QVERIFY(test::rewritePdf(path(QStringLiteral("text.pdf")), path(file), rotation, crop));
    const auto page = firstPage(file);
    QVERIFY(page);

    const PdfPageGeometry geometry = page->geometry();
    QCOMPARE(geometry.rotation, PdfPageGeometry::normalizedRotation(rotation));
    QVERIFY(qAbs(geometry.cropBox.left() - crop.left()) < 0.01 && qAbs(geometry.cropBox.top() - crop.top()) < 0.01);
    QVERIFY(qAbs(geometry.cropBox.width() - crop.width()) < 0.01 && qAbs(geometry.cropBox.height() - crop.height()) < 0.01);
    const QSizeF displayed = geometry.displayedSize();
    QCOMPARE(displayed, geometry.rotation % 180 ? crop.size().transposed() : crop.size());

    const QImage image = page->render(1600);
    QCOMPARE(image.width(), 1600);
    QCOMPARE(image.height(), qRound(1600 * displayed.height() / displayed.width()));

    // The text survives the turn, and every character box, taken through the crop
    // box transform, lands on ink in the rendered image.
    const auto layer = page->textLayer();
    QCOMPARE(layer->text(), textLines.join(QLatin1Char('\n')));
    const qreal scale = 1600 / displayed.width();
    const QTransform toBox = geometry.cropBoxTransform();
    auto pixelsOf = [&](const QRectF &pageBox) {
        const QRectF box = toBox.mapRect(pageBox);
        return QRect(qFloor(box.left() * scale), qFloor((displayed.height() - box.bottom()) * scale),
                     qCeil(box.width() * scale), qCeil(box.height() * scale));
    };
    for (const QString &needle : {QStringLiteral("H"), QStringLiteral("q"), QStringLiteral("k")})
        QVERIFY2(hasInk(image, pixelsOf(layer->characterBounds(layer->text().indexOf(needle)))), qPrintable(needle));
    // Nothing was drawn on the lower half of the page.
    QVERIFY(!hasInk(image, pixelsOf(QRectF(300, 200, 20, 20))));
}

void TestPdfDocument::landscapeScanReadsInDisplayOrder()
{
    QVERIFY(test::writeSidewaysTextPdf(path(QStringLiteral("sideways.pdf")), textLines));
    QVERIFY(test::rewritePdf(path(QStringLiteral("sideways.pdf")), path(QStringLiteral("landscape.pdf")), 90));
    const auto page = firstPage(QStringLiteral("landscape.pdf"));
    QVERIFY(page);
    QCOMPARE(page->geometry().displayedSize(), QSizeF(792, 612));
    const auto layer = page->textLayer();
    QCOMPARE(layer->text(), textLines.join(QLatin1Char('\n')));
    // Shown upright, the first line is above the second.
    const QTransform toBox = page->geometry().cropBoxTransform();
    const QRectF first = toBox.mapRect(layer->characterBounds(0));
    const QRectF second = toBox.mapRect(layer->characterBounds(textLines[0].size() + 1));
    QVERIFY(first.top() > second.bottom());
    QVERIFY(toBox.mapRect(layer->characterBounds(1)).left() > first.left());
}

void TestPdfDocument::pagesAreStableAndBounded()
{
    const PdfOpenResult opened = openPdfDocument(path(QStringLiteral("text.pdf")));
    QVERIFY(opened.document);
    QCOMPARE(opened.document->pageCount(), 1);
    QCOMPARE(opened.document->page(0), opened.document->page(0));
    QVERIFY(!opened.document->page(-1));
    QVERIFY(!opened.document->page(1));
    // A page outlives its document object.
    const auto page = opened.document->page(0);
    const_cast<PdfOpenResult &>(opened).document.reset();
    QCOMPARE(page->render(200).width(), 200);
    QVERIFY(page->render(0).isNull());
}

void TestPdfDocument::renderingOnAWorkerWhileReadingText()
{
    QVERIFY(test::rewritePdf(path(QStringLiteral("text.pdf")), path(QStringLiteral("busy.pdf")), 0));
    const PdfOpenResult opened = openPdfDocument(path(QStringLiteral("busy.pdf")));
    QVERIFY(opened.document);
    const auto page = opened.document->page(0);
    QFuture<int> renders = QtConcurrent::run([page] {
        int sized = 0;
        for (int i = 0; i < 6; ++i)
            sized += page->render(800).width() == 800;
        return sized;
    });
    QString text;
    for (int i = 0; i < 50; ++i)
        text = opened.document->page(0)->textLayer()->text();
    QCOMPARE(renders.result(), 6);
    QCOMPARE(text, textLines.join(QLatin1Char('\n')));
}

void TestPdfDocument::badFilesGiveFailureValues_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("failure");
    QTest::newRow("missing") << "missing.pdf" << int(PdfOpenFailure::unreadable);
    QTest::newRow("folder") << "" << int(PdfOpenFailure::unreadable);
    QTest::newRow("PNG renamed .pdf") << "picture.pdf" << int(PdfOpenFailure::notPdf);
    QTest::newRow("empty file") << "empty.pdf" << int(PdfOpenFailure::notPdf);
    QTest::newRow("header then garbage") << "garbage.pdf" << int(PdfOpenFailure::damaged);
    QTest::newRow("cut short") << "truncated.pdf" << int(PdfOpenFailure::damaged);
    QTest::newRow("encrypted") << "encrypted.pdf" << int(PdfOpenFailure::encrypted);
}

void TestPdfDocument::badFilesGiveFailureValues()
{
    QFETCH(QString, file);
    QFETCH(int, failure);
    static bool written = false;
    if (!written) {
        written = true;
        QImage png(40, 40, QImage::Format_RGB32);
        png.fill(Qt::red);
        QVERIFY(png.save(path(QStringLiteral("picture.pdf")), "PNG"));
        QFile empty(path(QStringLiteral("empty.pdf")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();
        QFile garbage(path(QStringLiteral("garbage.pdf")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("%PDF-1.7\n");
        for (int i = 0; i < 2000; ++i)
            garbage.write(QByteArray::number(i * 7919 % 65521, 36) + " obj << /Type /Pa");
        garbage.close();
        QFile whole(path(QStringLiteral("text.pdf")));
        QFile truncated(path(QStringLiteral("truncated.pdf")));
        QVERIFY(whole.open(QIODevice::ReadOnly) && truncated.open(QIODevice::WriteOnly));
        truncated.write(whole.read(whole.size() * 6 / 10));
        truncated.close();
        QVERIFY(test::encryptPdf(path(QStringLiteral("text.pdf")), path(QStringLiteral("encrypted.pdf")), "secret"));
    }
    const PdfOpenResult opened = openPdfDocument(file.isEmpty() ? m_dir.path() : path(file));
    QVERIFY(!opened.document);
    QVERIFY(opened.failure);
    QCOMPARE(int(*opened.failure), failure);
}

void TestPdfDocument::tinyPagesHaveNoImage_data()
{
    QTest::addColumn<QSizeF>("size");
    QTest::newRow("zero") << QSizeF(0, 0);
    QTest::newRow("half a point") << QSizeF(0.5, 0.5);
    QTest::newRow("zero wide") << QSizeF(0, 300);
}

void TestPdfDocument::tinyPagesHaveNoImage()
{
    QFETCH(QSizeF, size);
    const QString file = QStringLiteral("tiny%1x%2.pdf").arg(size.width()).arg(size.height());
    QVERIFY(test::resizePdfPages(path(QStringLiteral("text.pdf")), path(file), size));
    const PdfOpenResult opened = openPdfDocument(path(file));
    if (!opened.document) {
        QCOMPARE(*opened.failure, PdfOpenFailure::damaged);
        return;
    }
    const auto page = opened.document->page(0);
    QVERIFY(page);
    // Poppler takes an all-zero media box for a missing one and gives the page
    // the default Letter size; other boxes are kept as they are.
    const QSizeF displayed = page->geometry().displayedSize();
    QCOMPARE(displayed, size.isNull() ? QSizeF(612, 792) : size);
    const QImage image = page->render(1600);
    QCOMPARE(image.isNull(), displayed.width() < 1 || displayed.height() < 1);
    QVERIFY(page->textLayer());
}

QTEST_MAIN(TestPdfDocument)
#include "test_pdfdocument.moc"
