#include "i18n/interfacelanguage.h"
#include "pagefixture.h"
#include "core/pdf/pdffixtures.h"
#include "preview/previewfind.h"
#include "preview/previewocrcache.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

// Reads "revenue" on every scanned page, but only once the test opens the gate.
class GatedRecognizer final : public TextRecognizer
{
public:
    std::optional<QList<TextObservation>> recognize(const QImage &, const TextRecognitionRequest &,
                                                    const std::atomic_bool *cancelled) const override
    {
        while (!gate.tryAcquire(1, 10)) {
            if (cancelled && cancelled->load())
                return std::nullopt;
        }
        return QList<TextObservation>{{QStringLiteral("scanned revenue"), QRectF(0.1, 0.5, 0.6, 0.04), {}}};
    }

    mutable QSemaphore gate;
};

RenderedPage rendered(const TestPage &page, qint64 number)
{
    return {number, page.image, page.page, std::nullopt};
}

QStringList identities(const QList<PreviewTextMatch> &matches)
{
    QStringList list;
    for (const PreviewTextMatch &match : matches)
        list.append(match.filename + QLatin1Char(' ') + QString::number(match.pageNumber) + QLatin1Char('@')
                    + QString::number(match.range.location));
    return list;
}

} // namespace

class TestPreviewFind : public QObject
{
    Q_OBJECT

public:
    static void initMain() { isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void matchesFollowDocumentsThenPageOrder();
    void sortChangeKeepsTheActiveMatchAndRevealsIt();
    void nextAndPreviousWrapAround();
    void statusTexts();
    void scannedPagesAreRecognizedOnceAQueryIsTyped();
    void sameNameInAnotherFolderIsRecognizedAgain();
    void activeCenterOfTextAndRecognizedMatches();
    void fullWidthTextIsFoundByAHalfWidthQuery();
    void matchesShorterThanTheQueryAreFound_data();
    void matchesShorterThanTheQueryAreFound();
    void rowsGetTheirOwnMatches();

private:
    QList<CitedDocument> documents() const;

    QTemporaryDir m_dir;
    QList<TestPage> m_report; // five one-line pages
    TestPage m_notes;
};

void TestPreviewFind::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_report = makeTextPages(m_dir, QStringLiteral("report.pdf"),
                             {QStringLiteral("Revenue rose"), QStringLiteral("no match here"),
                              QStringLiteral("revenue and REVENUE"), QStringLiteral("   "), QStringLiteral("Révenue")});
    QCOMPARE(m_report.size(), 5);
    m_notes = makeTextPage(m_dir, QStringLiteral("notes.pdf"), {QStringLiteral("notes"), QStringLiteral("revenue")});
    QVERIFY(m_notes.page);
}

// report.pdf cited as pages 3, 1, 5, then notes.pdf page 1 and a page without a PDF page.
QList<CitedDocument> TestPreviewFind::documents() const
{
    CitedDocument report{QStringLiteral("report.pdf"), QStringLiteral("/r.pdf"), std::nullopt,
                         {rendered(m_report[2], 3), rendered(m_report[0], 1), rendered(m_report[4], 5)}};
    CitedDocument notes{QStringLiteral("notes.pdf"), QStringLiteral("/n.pdf"), std::nullopt,
                        {rendered(m_notes, 1), RenderedPage{9, {}, nullptr, QStringLiteral("There is no page 9.")}}};
    return {report, notes};
}

void TestPreviewFind::matchesFollowDocumentsThenPageOrder()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    const QList<CitedDocument> docs = documents();
    const QStringList answerOrder{QStringLiteral("report.pdf 3@0"), QStringLiteral("report.pdf 3@12"),
                                  QStringLiteral("report.pdf 1@0"), QStringLiteral("report.pdf 5@0"),
                                  QStringLiteral("notes.pdf 1@6")};
    QCOMPARE(identities(PreviewFind::collectMatches(docs, QStringLiteral(" revenue\n"), CitationPageOrder::source, cache)),
             answerOrder);
    QCOMPARE(identities(PreviewFind::collectMatches(docs, QStringLiteral("revenue"), CitationPageOrder::pageNumber, cache)),
             (QStringList{QStringLiteral("report.pdf 1@0"), QStringLiteral("report.pdf 3@0"),
                          QStringLiteral("report.pdf 3@12"), QStringLiteral("report.pdf 5@0"),
                          QStringLiteral("notes.pdf 1@6")}));
    QVERIFY(PreviewFind::collectMatches(docs, QStringLiteral("  \n "), CitationPageOrder::source, cache).isEmpty());
    QVERIFY(PreviewFind::collectMatches(docs, QStringLiteral("zebra"), CitationPageOrder::source, cache).isEmpty());
}

void TestPreviewFind::sortChangeKeepsTheActiveMatchAndRevealsIt()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    PreviewFind find(&cache);
    find.setDocuments(documents());
    find.setFindQuery(QStringLiteral("revenue"));
    QCOMPARE(find.findMatches().size(), 5);
    QCOMPARE(find.findIndex(), 0);
    find.moveFind(+1);
    find.moveFind(+1); // report.pdf page 1
    const QString active = find.activeMatch()->identity();
    QCOMPARE(find.activeMatch()->pageNumber, 1);

    QSignalSpy reveal(&find, &PreviewFind::findRevealChanged);
    find.setPageOrder(CitationPageOrder::pageNumber);
    QCOMPARE(find.findIndex(), 0); // page 1 comes first now
    QCOMPARE(find.activeMatch()->identity(), active);
    QCOMPARE(reveal.count(), 1);

    // The same order again changes nothing; new documents with the same pages keep
    // the match without scrolling.
    find.setPageOrder(CitationPageOrder::pageNumber);
    find.setDocuments(documents());
    QCOMPARE(reveal.count(), 1);
    QCOMPARE(find.activeMatch()->identity(), active);

    // A page that goes away takes the active match with it: back to the first.
    QList<CitedDocument> fewer = documents();
    fewer[0].pages.removeAt(1);
    find.setDocuments(fewer);
    QCOMPARE(find.findIndex(), 0);
    QCOMPARE(find.activeMatch()->pageNumber, 3);
    QCOMPARE(reveal.count(), 2);

    // A new query starts over.
    find.moveFind(+1);
    find.setFindQuery(QStringLiteral("REVENUE "));
    QCOMPARE(find.findIndex(), 0);
}

void TestPreviewFind::nextAndPreviousWrapAround()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    PreviewFind find(&cache);
    find.setDocuments(documents());
    find.moveFind(+1); // no matches: nothing happens
    QCOMPARE(find.findIndex(), 0);
    QCOMPARE(find.findReveal(), 0);

    find.setFindQuery(QStringLiteral("revenue"));
    const qint64 reveal = find.findReveal();
    find.moveFind(-1);
    QCOMPARE(find.findIndex(), 4);
    find.moveFind(+1);
    QCOMPARE(find.findIndex(), 0);
    for (int step = 0; step < 4; ++step)
        find.moveFind(+1);
    QCOMPARE(find.findIndex(), 4);
    find.moveFind(+1);
    QCOMPARE(find.findIndex(), 0);
    QCOMPARE(find.findReveal(), reveal + 7);
}

void TestPreviewFind::statusTexts()
{
    auto recognizer = std::make_shared<GatedRecognizer>();
    PreviewOCRCache cache(recognizer);
    PreviewFind find(&cache);
    find.setDocuments(documents());

    find.setFindQuery(QStringLiteral("   "));
    QVERIFY(!find.showsStatus());
    find.setFindQuery(QStringLiteral("zebra"));
    QVERIFY(find.showsStatus());
    QCOMPARE(find.findStatus(), QStringLiteral("No matches"));
    QCOMPARE(find.visibleStatus(), QStringLiteral("No matches"));
    find.setFindQuery(QStringLiteral("revenue"));
    find.moveFind(+1);
    QCOMPARE(find.findStatus(), QStringLiteral("Match 2 of 5"));
    QCOMPARE(find.visibleStatus(), QStringLiteral("2 / 5"));

    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    QCOMPARE(find.findStatus(), QStringLiteral("第 2 項，共 5 項"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);

    // With a scanned page still being read.
    const TestPage scan = makeScannedPage(m_dir, QStringLiteral("scan.pdf"), {QStringLiteral("revenue")});
    QList<CitedDocument> docs = documents();
    docs.append({QStringLiteral("scan.pdf"), QStringLiteral("/s.pdf"), std::nullopt, {rendered(scan, 1)}});
    find.setDocuments(docs);
    QVERIFY(find.findOCRPending());
    QCOMPARE(find.findStatus(), QStringLiteral("Match 2 of 5, recognizing"));
    find.setFindQuery(QStringLiteral("zebra"));
    QCOMPARE(find.findStatus(), QStringLiteral("Recognizing"));
    QCOMPARE(find.visibleStatus(), QStringLiteral("Recognizing"));
    recognizer->gate.release();
    QTRY_VERIFY(!find.findOCRPending());
    QCOMPARE(find.findStatus(), QStringLiteral("No matches"));
}

void TestPreviewFind::scannedPagesAreRecognizedOnceAQueryIsTyped()
{
    auto recognizer = std::make_shared<GatedRecognizer>();
    PreviewOCRCache cache(recognizer);
    PreviewFind find(&cache);
    const TestPage first = makeScannedPage(m_dir, QStringLiteral("scan1.pdf"), {QStringLiteral("x")});
    const TestPage second = makeScannedPage(m_dir, QStringLiteral("scan2.pdf"), {QStringLiteral("x")});
    QList<CitedDocument> docs{{QStringLiteral("scan.pdf"), QStringLiteral("/s.pdf"), std::nullopt,
                               {rendered(first, 2), rendered(second, 7)}}};
    docs.append(documents());
    find.setDocuments(docs);
    QVERIFY(find.findOCRWaiters().isEmpty()); // nothing is recognized before a query

    find.setFindQuery(QStringLiteral("revenue"));
    QCOMPARE(find.findOCRWaiters().size(), 2);
    QCOMPARE(find.findMatches().size(), 5); // the text pages so far
    find.moveFind(+1);
    const QString active = find.activeMatch()->identity();
    QCOMPARE(find.findStatus(), QStringLiteral("Match 2 of 5, recognizing"));

    // Typing on does not start a second recognition of the same pages.
    find.setFindQuery(QStringLiteral("revenu"));
    find.setFindQuery(QStringLiteral("revenue"));
    QCOMPARE(find.findOCRWaiters().size(), 2);
    find.moveFind(+1);

    const QString before = find.activeMatch()->identity();
    recognizer->gate.release();
    QTRY_COMPARE(find.findMatches().size(), 6);
    QCOMPARE(find.findStatus().endsWith(QStringLiteral(", recognizing")), true);
    QCOMPARE(find.activeMatch()->identity(), before); // earlier pages came in: the active match stays
    QCOMPARE(find.findMatches().first().source, PreviewTextMatch::Source::ocr);
    recognizer->gate.release();
    QTRY_VERIFY(!find.findOCRPending());
    QCOMPARE(find.findMatches().size(), 7);
    QCOMPARE(find.activeMatch()->identity(), before);
    QVERIFY(find.findOCRWaiters().isEmpty());
    QCOMPARE(find.findStatus(), QStringLiteral("Match 4 of 7"));
    Q_UNUSED(active);
}

void TestPreviewFind::sameNameInAnotherFolderIsRecognizedAgain()
{
    auto recognizer = std::make_shared<ScriptedRecognizer>(
        QList<ScriptedRecognizer::Line>{{QStringLiteral("revenue"), QRectF(0.1, 0.2, 0.3, 0.1)}});
    PreviewOCRCache cache(recognizer);
    PreviewFind find(&cache);
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("a")) && QDir(m_dir.path()).mkpath(QStringLiteral("b")));
    const auto scanIn = [&](const QString &folder) {
        const QString name = folder + QStringLiteral("/scan.pdf");
        const TestPage page = makeScannedPage(m_dir, name, {QStringLiteral("x")});
        return CitedDocument{QStringLiteral("scan.pdf"), m_dir.filePath(name), std::nullopt, {rendered(page, 1)}};
    };
    const CitedDocument inA = scanIn(QStringLiteral("a"));
    const CitedDocument inB = scanIn(QStringLiteral("b"));

    find.setDocuments({inA});
    find.setFindQuery(QStringLiteral("revenue"));
    QTRY_VERIFY(!find.findOCRPending());
    QCOMPARE(find.findMatches().size(), 1);

    // Another working directory: the preview empties, then loads its own scan.pdf.
    find.setDocuments({});
    find.setDocuments({inB});
    QVERIFY(find.findOCRPending());
    QTRY_VERIFY(!find.findOCRPending());
    QCOMPARE(find.findMatches().size(), 1);
    QVERIFY(find.activeFindCenter()); // read from the text of b/scan.pdf
    QCOMPARE(recognizer->calls(), 2);
}

void TestPreviewFind::activeCenterOfTextAndRecognizedMatches()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(
        QList<ScriptedRecognizer::Line>{{QStringLiteral("revenue"), QRectF(0.1, 0.2, 0.3, 0.1)}}));
    const TestPage scan = makeScannedPage(m_dir, QStringLiteral("scan3.pdf"), {QStringLiteral("x")});
    PreviewFind find(&cache);
    QList<CitedDocument> docs{{QStringLiteral("notes.pdf"), {}, std::nullopt, {rendered(m_notes, 1)}},
                              {QStringLiteral("scan.pdf"), {}, std::nullopt, {rendered(scan, 1)}}};
    find.setDocuments(docs);
    find.setFindQuery(QStringLiteral("revenue"));
    QTRY_COMPARE(find.findMatches().size(), 2);

    // notes.pdf draws its second line with the baseline 124 points from the top.
    QVERIFY(find.activeFindCenter());
    QVERIFY2(std::abs(*find.activeFindCenter() - 120.0 / 792) < 0.02, qPrintable(QString::number(*find.activeFindCenter())));
    find.moveFind(+1);
    QVERIFY(find.activeFindCenter());
    QCOMPARE(*find.activeFindCenter(), 0.75); // glyph box from 0.2 to 0.3, y up
    find.setFindQuery(QString());
    QCOMPARE(find.activeFindCenter(), std::nullopt);
}

void TestPreviewFind::fullWidthTextIsFoundByAHalfWidthQuery()
{
    const QString path = m_dir.filePath(QStringLiteral("wide.pdf"));
    const QStringList lines{QStringLiteral("營收 ＲＥＶＥＮＵＥ ２０２４")};
    QVERIFY(writeTextPdf(m_dir.filePath(QStringLiteral("wide-raw.pdf")), lines, QStringLiteral("Noto Sans CJK TC")));
    QVERIFY(repairCjkCharacterMap(m_dir.filePath(QStringLiteral("wide-raw.pdf")), path, lines));
    const std::shared_ptr<PdfDocument> document = openPdfDocument(path).document;
    QVERIFY(document);
    const TestPage page{document, document->page(0), document->page(0)->render(612)};
    QVERIFY(page.page->textLayer()->text().contains(QStringLiteral("ＲＥＶＥＮＵＥ")));

    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    PreviewFind find(&cache);
    find.setDocuments({{QStringLiteral("wide.pdf"), {}, std::nullopt, {rendered(page, 1)}}});
    find.setFindQuery(QStringLiteral("revenue 2024"));
    QCOMPARE(find.findMatches().size(), 1);
    const TextRange range = find.findMatches().first().range;
    QCOMPARE(page.page->textLayer()->selectionText(range), QStringLiteral("ＲＥＶＥＮＵＥ ２０２４"));
}

void TestPreviewFind::matchesShorterThanTheQueryAreFound_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("found");

    const QString strasse = QStringLiteral("Straße");
    QTest::newRow("sharp s") << strasse << QStringLiteral("STRASSE") << QStringList{strasse};
    QTest::newRow("sharp s twice") << strasse + strasse << QStringLiteral("strasse") << QStringList{strasse, strasse};
    const QString cafe = QStringLiteral("café");
    QTest::newRow("combining accent") << QStringLiteral("un café") << QStringLiteral("cafe\u0301") << QStringList{cafe};
    QTest::newRow("combining accent, whole text") << cafe << QStringLiteral("cafe\u0301") << QStringList{cafe};
}

void TestPreviewFind::matchesShorterThanTheQueryAreFound()
{
    QFETCH(QString, text);
    QFETCH(QString, query);
    QFETCH(QStringList, found);

    // The same line as a PDF text layer and as the recognized text of a scanned page.
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-'));
    const TestPage page = makeTextPage(m_dir, tag + QStringLiteral("-text.pdf"), {text});
    const TestPage scan = makeScannedPage(m_dir, tag + QStringLiteral("-scan.pdf"), {QStringLiteral("x")});
    QVERIFY(page.page && scan.page);
    QCOMPARE(page.page->textLayer()->text(), text);
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(
        QList<ScriptedRecognizer::Line>{{text, QRectF(0.1, 0.5, 0.6, 0.04)}}));
    PreviewFind find(&cache);
    find.setDocuments({{QStringLiteral("text.pdf"), {}, std::nullopt, {rendered(page, 1)}},
                       {QStringLiteral("scan.pdf"), {}, std::nullopt, {rendered(scan, 1)}}});
    find.setFindQuery(query);
    QTRY_VERIFY(!find.findOCRPending());

    QStringList inTextLayer;
    QStringList inRecognizedText;
    for (const PreviewTextMatch &match : find.findMatches()) {
        if (match.source == PreviewTextMatch::Source::pdf) {
            inTextLayer.append(page.page->textLayer()->text().mid(match.range.location, match.range.length));
        } else {
            const RecognizedPageText recognized = *cache.cachedText(PreviewOCRCache::textKey(match.filename, 1), {});
            inRecognizedText.append(recognized.text(match.ocrGlyphs));
        }
    }
    QCOMPARE(inRecognizedText, found);
    QCOMPARE(inTextLayer, found);
}

void TestPreviewFind::rowsGetTheirOwnMatches()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    PreviewFind find(&cache);
    find.setDocuments(documents());
    find.setFindQuery(QStringLiteral("revenue"));
    find.moveFind(+1); // report.pdf page 3, second match

    SelectablePDFPage row;
    find.fillRow(row, QStringLiteral("report.pdf"), 3);
    QCOMPARE(row.findRanges.size(), 2);
    QCOMPARE(row.activeFindRange, row.findRanges.at(1));
    QCOMPARE(row.findReveal, find.findReveal());
    find.fillRow(row, QStringLiteral("report.pdf"), 1);
    QCOMPARE(row.findRanges.size(), 1);
    QCOMPARE(row.activeFindRange, std::nullopt);
    find.fillRow(row, QStringLiteral("report.pdf"), 2);
    QVERIFY(row.findRanges.isEmpty());
}

QTEST_MAIN(TestPreviewFind)
#include "test_previewfind.moc"
