#include "pdf/pdfdocument.h"
#include "ocr/tesseracttextrecognizer.h"
#include "core/pdf/pdffixtures.h"
#include "support/isolatedhome.h"

#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

using namespace tovik;

namespace {

const QStringList scannedLines = {QStringLiteral("The quarterly report shows revenue growth."),
                                  QStringLiteral("Invoice number 4521 was paid in March."),
                                  QStringLiteral("本季報告顯示營收成長"),
                                  QStringLiteral("客戶滿意度持續提升")};

QString joined(const QList<TextObservation> &lines)
{
    QStringList texts;
    for (const TextObservation &line : lines)
        texts.append(line.text);
    return texts.join(QLatin1Char('\n'));
}

int found(const QString &text, const QStringList &words)
{
    int count = 0;
    for (const QString &word : words)
        count += text.contains(word, Qt::CaseInsensitive);
    return count;
}

} // namespace

// Builds its scanned page with QPainter text, so it runs a QGuiApplication offscreen.
class TestTextRecognizer : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void languageTagsMapToInstalledData_data();
    void languageTagsMapToInstalledData();
    void symbolBoxesUniteOverARange();
    void bandsAreCutAtBlankRows();
    void scannedPageReadsBack();
    void threadsRecognizeSideBySide();
    void unusableInputFails();

private:
    QTemporaryDir m_dir;
    QImage m_scan; // the scanned page as rendered from its PDF at 1600 px
};

void TestTextRecognizer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString file = m_dir.filePath(QStringLiteral("scanned.pdf"));
    QVERIFY(test::writeImagePdf(file, test::scannedTextImage(scannedLines)));
    const PdfOpenResult opened = openPdfDocument(file);
    QVERIFY(opened.document);
    const auto page = opened.document->page(0);
    // A scanned page has no text layer: this is what sends it to recognition.
    QVERIFY(page->textLayer()->text().trimmed().isEmpty());
    m_scan = page->render(1600);
    QCOMPARE(m_scan.width(), 1600);
}

void TestTextRecognizer::languageTagsMapToInstalledData_data()
{
    QTest::addColumn<QStringList>("tags");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("preview request") << TextRecognitionRequest().languages << QByteArray("chi_tra+eng");
    QTest::newRow("english first") << QStringList{"en-GB", "zh-Hant"} << QByteArray("eng+chi_tra");
    QTest::newRow("unknown only") << QStringList{"fr-FR", "xx"} << QByteArray("eng");
    QTest::newRow("nothing") << QStringList{} << QByteArray("eng");
    QTest::newRow("case and region") << QStringList{"ZH-hant-TW", "zh-HK", "EN"} << QByteArray("chi_tra+eng");
}

void TestTextRecognizer::languageTagsMapToInstalledData()
{
    QFETCH(QStringList, tags);
    QFETCH(QByteArray, expected);
    QCOMPARE(TesseractTextRecognizer::tesseractLanguages(tags), expected);
}

void TestTextRecognizer::symbolBoxesUniteOverARange()
{
    TextObservation line{QStringLiteral("ab c"), QRectF(0, 0, 1, 0.1), {}};
    line.symbols = {{0, 1, QRectF(0.1, 0.5, 0.1, 0.1)}, {1, 1, QRectF(0.2, 0.45, 0.1, 0.1)}, {3, 1, QRectF(0.5, 0.5, 0.1, 0.1)}};
    QCOMPARE(*line.boundingBox(0, 2), QRectF(0.1, 0.45, 0.2, 0.15));
    QCOMPARE(*line.boundingBox(1, 1), QRectF(0.2, 0.45, 0.1, 0.1));
    QVERIFY(!line.boundingBox(2, 1)); // the space has no symbol here
    QVERIFY(!line.boundingBox(3, 2));
    QVERIFY(!line.boundingBox(-1, 1));
    QVERIFY(!line.boundingBox(0, 0));
}

void TestTextRecognizer::bandsAreCutAtBlankRows()
{
    // Ink on rows 0-389 and 410-1199 except a blank gap at 700-799 and a gap of
    // three rows (too thin) at 600-602; a few specks of dust at row 750.
    QImage grey(500, 1200, QImage::Format_Grayscale8);
    grey.fill(0);
    for (int y = 390; y < 410; ++y)
        std::fill_n(grey.scanLine(y), grey.width(), uchar(255));
    for (int y : {600, 601, 602})
        std::fill_n(grey.scanLine(y), grey.width(), uchar(255));
    for (int y = 700; y < 800; ++y)
        std::fill_n(grey.scanLine(y), grey.width(), uchar(255));
    grey.scanLine(750)[10] = 0;
    grey.scanLine(750)[300] = 0;

    QCOMPARE(TesseractTextRecognizer::bandCuts(grey, 2), QList<int>{750});
    QCOMPARE(TesseractTextRecognizer::bandCuts(grey, 3), (QList<int>{400, 750}));
    // Quarter marks 300, 600, 900: the runs at 400 and 750 are nearest; each is used once.
    QCOMPARE(TesseractTextRecognizer::bandCuts(grey, 4), (QList<int>{400, 750}));
    QVERIFY(TesseractTextRecognizer::bandCuts(grey, 1).isEmpty());
    QVERIFY(TesseractTextRecognizer::bandCuts(grey.copy(0, 0, 500, 599), 2).isEmpty());
    for (int y = 700; y < 800; ++y) // a figure fills the gap
        std::fill_n(grey.scanLine(y) + 100, 20, uchar(0));
    QCOMPARE(TesseractTextRecognizer::bandCuts(grey, 2), QList<int>{400});
}

void TestTextRecognizer::scannedPageReadsBack()
{
    // Cut in two: the lines at the top of the page and the blank rest.
    TesseractTextRecognizer recognizer(2);
    const auto lines = recognizer.recognize(m_scan, TextRecognitionRequest());
    QVERIFY(lines);
    const QString text = joined(*lines);
    qInfo().noquote() << "recognized:" << text;
    QVERIFY2(found(text, {"quarterly", "report", "revenue", "Invoice", "4521", "March"}) >= 5, qPrintable(text));
    QVERIFY2(found(text, {"本季", "報告", "營收", "客戶", "滿意", "提升"}) >= 4, qPrintable(text));
    // No spaces crept in between Chinese characters.
    QVERIFY2(text.contains(QStringLiteral("報告顯示")), qPrintable(text));

    // Normalized boxes with the origin at the lower left: the first line drawn (at
    // the top of the image) has the highest y, and characters lie in their line.
    QVERIFY(lines->size() >= 4);
    const TextObservation &first = lines->first();
    QVERIFY(first.text.contains(QStringLiteral("quarterly"), Qt::CaseInsensitive));
    QVERIFY(first.bounds.top() > 0.8 && first.bounds.bottom() < 1);
    QVERIFY(first.bounds.left() > 0.05 && first.bounds.left() < 0.15);
    QVERIFY(lines->last().bounds.top() < first.bounds.top());
    for (const TextObservation::Symbol &symbol : first.symbols) {
        QVERIFY(symbol.location + symbol.length <= first.text.size());
        QVERIFY(first.bounds.adjusted(-0.01, -0.01, 0.01, 0.01).contains(symbol.bounds));
    }
    const qsizetype q = first.text.indexOf(QStringLiteral("quarterly"), 0, Qt::CaseInsensitive);
    QVERIFY(first.boundingBox(q, 1)->right() <= first.boundingBox(q + 1, 1)->left() + 0.002);
}

void TestTextRecognizer::threadsRecognizeSideBySide()
{
    // Each thread gets its own engine; sharing one would garble or crash.
    const QImage top = m_scan.copy(0, 0, m_scan.width(), m_scan.height() / 4);
    auto read = [top] {
        TesseractTextRecognizer recognizer;
        const auto lines = recognizer.recognize(top, TextRecognitionRequest());
        return lines ? joined(*lines) : QStringLiteral("<failed>");
    };
    QFuture<QString> a = QtConcurrent::run(read);
    QFuture<QString> b = QtConcurrent::run(read);
    QCOMPARE(a.result(), b.result());
    QVERIFY2(a.result().contains(QStringLiteral("Invoice"), Qt::CaseInsensitive), qPrintable(a.result()));
}

void TestTextRecognizer::unusableInputFails()
{
    TesseractTextRecognizer recognizer;
    QVERIFY(!recognizer.recognize(QImage(), TextRecognitionRequest()));

    const std::atomic_bool cancelled = true;
    QVERIFY(!recognizer.recognize(m_scan, TextRecognitionRequest(), &cancelled));

    QImage blank(400, 300, QImage::Format_ARGB32);
    blank.fill(Qt::transparent); // transparent must read as white paper, not black ink
    const auto nothing = recognizer.recognize(blank, TextRecognitionRequest());
    QVERIFY(nothing);
    QVERIFY(nothing->isEmpty());
}

QTEST_MAIN(TestTextRecognizer)
#include "test_textrecognizer.moc"
