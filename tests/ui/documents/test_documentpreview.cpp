#include "documents/documentpreview.h"
#include "documents/findbar.h"
#include "documents/previewheaderrow.h"
#include "documents/previewpagelist.h"
#include "documents/previewpagerow.h"
#include "documents/selectablepdfpageview.h"
#include "pdf/pdftextlayer.h"
#include "core/preview/pagefixture.h"
#include "core/pdf/pdffixtures.h"
#include "preview/documentpreviewmodel.h"
#include "preview/previewocrcache.h"
#include "preview/previewrow.h"
#include "core/preview/previewfixture.h"
#include "support/isolatedhome.h"
#include "widgets/emptystatepanel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

const QChar separator(0x1E);

bool panelShows(const EmptyStatePanel *panel, const QString &text)
{
    for (const QLabel *label : panel->findChildren<QLabel *>()) {
        if (label->text() == text)
            return true;
    }
    return false;
}

QStringList pageRowIdentities(const PreviewPageList &list)
{
    QStringList identities;
    for (const PreviewRow &row : list.rows()) {
        if (row.kind == PreviewRow::Kind::page)
            identities.append(QString::number(row.page.page));
    }
    return identities;
}

// Records Escape presses that reach a widget.
class EscapeCounter final : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            ++count;
        return false;
    }
};

void click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

} // namespace

class TestDocumentPreview : public QObject
{
    Q_OBJECT

public:
    static void initMain() { isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void statesFollowTheModel();
    void rowsShowHeadersAndPages();
    void findStepsThroughTextAndScannedPages();
    void sortChangeKeepsTheActiveMatchInView();
    void halfWidthQueryHighlightsFullWidthTextOnThePage();
    void pageViewsAreMadeOnlyNearTheScreen();
    void thousandsOfRowsAreMadeASlicePerTurn();
    void claimsOfManyMarkersAndOfPagesThatDontExist();

private:
    QString answer() const;

    PreviewProject m_project;
    // report.pdf: revenue on pages 1 and 3; scan.pdf: one scanned page.
    const QList<ScriptedRecognizer::Line> m_scanLines{
        {QStringLiteral("Scanned revenue table"), QRectF(0.1, 0.8, 0.6, 0.03)}};
};

void TestDocumentPreview::initTestCase()
{
    QVERIFY(m_project.isValid());
    QVERIFY(writeTextPagesPdf(m_project.filePath(QStringLiteral("report.pdf")),
                              {QStringLiteral("Revenue grew by 4%.\nCosts were flat."), QStringLiteral("Staff numbers."),
                               QStringLiteral("Outlook: revenue should rise.")}));
    QVERIFY(writeImagePdf(m_project.filePath(QStringLiteral("scan.pdf")),
                          scannedTextImage({QStringLiteral("Scanned revenue table")})));
    const QStringList wide{QStringLiteral("營收 ＲＥＶＥＮＵＥ ２０２４")};
    QVERIFY(writeTextPdf(m_project.filePath(QStringLiteral("wide-raw.pdf")), wide, QStringLiteral("Noto Sans CJK TC")));
    QVERIFY(repairCjkCharacterMap(m_project.filePath(QStringLiteral("wide-raw.pdf")),
                                  m_project.filePath(QStringLiteral("wide.pdf")), wide));
    QVERIFY(m_project.writeCorpus({{QStringLiteral("report.pdf"), m_project.filePath(QStringLiteral("report.pdf"))},
                                   {QStringLiteral("scan.pdf"), m_project.filePath(QStringLiteral("scan.pdf"))},
                                   {QStringLiteral("wide.pdf"), m_project.filePath(QStringLiteral("wide.pdf"))}}));
}

QString TestDocumentPreview::answer() const
{
    return QStringLiteral("Revenue rose %1 %2, see the scan %3 and %4.")
        .arg(marker(QStringLiteral("report.pdf"), 3), marker(QStringLiteral("report.pdf"), 1),
             marker(QStringLiteral("scan.pdf"), 1), marker(QStringLiteral("missing.pdf"), 2));
}

void TestDocumentPreview::statesFollowTheModel()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(m_scanLines));
    DocumentPreviewModel model;
    DocumentPreview page(model, nullptr, &cache);
    page.resize(480, 700);
    page.show(); // loads the empty answer: nothing cited
    QTRY_COMPARE(page.state(), DocumentPreview::State::empty);
    QVERIFY(page.findBar()->isHidden());
    QVERIFY(panelShows(page.emptyPanel(), QStringLiteral("No document pages yet")));
    QVERIFY(panelShows(page.emptyPanel(),
                       QStringLiteral("Document pages cited in the answer are listed here from top to bottom in answer order.")));
    model.setPageOrder(CitationPageOrder::pageNumber);
    QCOMPARE(page.sortPicker()->currentText(), QStringLiteral("Page number"));
    QVERIFY(panelShows(page.emptyPanel(), QStringLiteral("Document pages cited in the answer are listed here by page number.")));

    // No corpus in the folder.
    QTemporaryDir elsewhere;
    page.follow(answer(), elsewhere.path());
    QCOMPARE(page.state(), DocumentPreview::State::loading);
    QTRY_COMPARE(page.state(), DocumentPreview::State::cantPreview);
    QVERIFY(panelShows(page.cantPreviewPanel(), QStringLiteral("corpus.sqlite wasn't found in the working directory.")));

    page.follow(answer(), m_project.path());
    QTRY_COMPARE(page.state(), DocumentPreview::State::rows);
    QVERIFY(page.findBar()->isVisibleTo(&page));
    QTRY_VERIFY(!model.isLoading());

    // Hidden, the page stops following; shown again it catches up.
    page.hide();
    page.follow(QStringLiteral("No citations."), m_project.path());
    QCOMPARE(page.state(), DocumentPreview::State::rows);
    page.show();
    QTRY_COMPARE(page.state(), DocumentPreview::State::empty);
}

void TestDocumentPreview::rowsShowHeadersAndPages()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(m_scanLines));
    DocumentPreviewModel model;
    DocumentPreview page(model, nullptr, &cache);
    page.resize(480, 2400);
    page.show();
    page.follow(answer(), m_project.path());
    QTRY_VERIFY(!model.isLoading() && page.state() == DocumentPreview::State::rows);
    PreviewPageList *list = page.list();

    const PreviewHeaderRow *report = list->headerRow(QStringLiteral("preview-file:report.pdf"));
    QVERIFY(report);
    QCOMPARE(report->filenameText(), QStringLiteral("report.pdf"));
    QCOMPARE(report->sourcePathText(), m_project.filePath(QStringLiteral("report.pdf")));
    const PreviewHeaderRow *missing = list->headerRow(QStringLiteral("preview-file:missing.pdf"));
    QVERIFY(missing);
    QCOMPARE(missing->problemText(), QStringLiteral("The corpus has no “missing.pdf”."));
    QCOMPARE(pageRowIdentities(*list), (QStringList{QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("1")}));
    QCOMPARE(list->pageRow(PreviewRow::pageIdentity(QStringLiteral("report.pdf"), 3))->labelText(), QStringLiteral("p. 3"));

    // The pages on screen have their views, with the caption and the page's text key.
    SelectablePDFPageView *view = nullptr;
    QTRY_VERIFY((view = list->pageView(PreviewRow::pageIdentity(QStringLiteral("report.pdf"), 3))));
    QCOMPARE(view->caption(), QStringLiteral("report.pdf page 3"));
    QCOMPARE(view->textKey(), QStringLiteral("report.pdf") + separator + QStringLiteral("3"));
    QVERIFY(view->toolTip().contains(QStringLiteral("Ctrl+C")));
    QVERIFY(!view->toolTip().contains(QStringLiteral("⌘")));
    QVERIFY(view->height() > view->width()); // a Letter page keeps its shape

    // The scanned page's view reads its text for selection.
    SelectablePDFPageView *scan = nullptr;
    QTRY_VERIFY((scan = list->pageView(PreviewRow::pageIdentity(QStringLiteral("scan.pdf"), 1))));
    QTRY_VERIFY(scan->usesRecognizedText());

    page.sortPicker()->setCurrentIndex(1);
    Q_EMIT page.sortPicker()->activated(1);
    QCOMPARE(model.pageOrder(), CitationPageOrder::pageNumber);
    QCOMPARE(pageRowIdentities(*list), (QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("1")}));
    // Reordering keeps the same view for the same page.
    QCOMPARE(list->pageView(PreviewRow::pageIdentity(QStringLiteral("report.pdf"), 3)), view);
}

void TestDocumentPreview::findStepsThroughTextAndScannedPages()
{
    auto recognizer = std::make_shared<ScriptedRecognizer>(m_scanLines);
    PreviewOCRCache cache(recognizer);
    DocumentPreviewModel model;
    QWidget window;
    auto *column = new QVBoxLayout(&window);
    auto *page = new DocumentPreview(model, &window, &cache);
    column->addWidget(page);
    window.resize(480, 600);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    page->follow(answer(), m_project.path());
    QTRY_VERIFY(!model.isLoading() && page->state() == DocumentPreview::State::rows);
    FindBar *bar = page->findBar();
    QLabel *status = bar->statusLabel();
    QVERIFY(!status->isVisibleTo(bar));

    bar->field()->setFocus();
    QTest::keyClicks(bar->field(), QStringLiteral("   "));
    QVERIFY(!status->parentWidget()->isVisibleTo(bar)); // only spaces: no status at all
    bar->field()->clear();
    QTest::keyClicks(bar->field(), QStringLiteral("revenue"));
    QVERIFY(status->parentWidget()->isVisibleTo(bar));
    QVERIFY(bar->clearButton()->isVisibleTo(bar));
    // The scanned page is read as soon as there is a query, wherever it is.
    QTRY_COMPARE(status->text(), QStringLiteral("1 / 3"));
    QCOMPARE(status->accessibleName(), QStringLiteral("Match 1 of 3"));
    QCOMPARE(recognizer->calls(), 1);

    QTest::keyClick(bar->field(), Qt::Key_Return);
    QCOMPARE(status->text(), QStringLiteral("2 / 3"));
    QTest::keyClick(bar->field(), Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(status->text(), QStringLiteral("3 / 3"));
    QCOMPARE(page->find().activeMatch()->source, PreviewTextMatch::Source::ocr);
    QTest::keyClick(bar->field(), Qt::Key_G, Qt::ControlModifier);
    QCOMPARE(status->text(), QStringLiteral("1 / 3"));
    QTest::keyClick(bar->field(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(status->text(), QStringLiteral("3 / 3"));
    bar->previousButton()->click();
    QCOMPARE(status->text(), QStringLiteral("2 / 3"));

    // The active match is highlighted on its page, the others stay plain yellow.
    SelectablePDFPageView *first = nullptr;
    QTRY_VERIFY((first = page->list()->pageView(PreviewRow::pageIdentity(QStringLiteral("report.pdf"), 1))));
    QTRY_VERIFY(first->findHits().size() == 1);

    QTest::keyClicks(bar->field(), QStringLiteral("zzz"));
    QCOMPARE(status->text(), QStringLiteral("No matches"));

    // Escape empties the query; with an empty query it goes on to the page.
    EscapeCounter escapes;
    page->installEventFilter(&escapes);
    QTest::keyClick(bar->field(), Qt::Key_Escape);
    QCOMPARE(bar->field()->text(), QString());
    QCOMPARE(page->find().findQuery(), QString());
    QCOMPARE(escapes.count, 0);
    QTest::keyClick(bar->field(), Qt::Key_Escape);
    QCOMPARE(escapes.count, 1);
}

void TestDocumentPreview::sortChangeKeepsTheActiveMatchInView()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(m_scanLines));
    DocumentPreviewModel model;
    DocumentPreview page(model, nullptr, &cache);
    page.resize(600, 400); // less than a page on screen
    page.show();
    page.follow(answer(), m_project.path());
    QTRY_VERIFY(!model.isLoading() && page.state() == DocumentPreview::State::rows);
    page.find().setFindQuery(QStringLiteral("revenue"));
    QTRY_VERIFY(!page.find().findOCRPending());
    page.find().moveFind(+1); // report.pdf page 1, second in answer order
    const QString active = page.find().activeMatch()->identity();
    QCOMPARE(page.find().activeMatch()->pageNumber, 1);
    const QString row = PreviewRow::pageIdentity(QStringLiteral("report.pdf"), 1);
    QTRY_VERIFY(page.list()->materializedPages().contains(row));

    page.list()->verticalScrollBar()->setValue(page.list()->verticalScrollBar()->maximum());
    QTRY_VERIFY(!page.list()->materializedPages().contains(row));
    Q_EMIT page.sortPicker()->activated(1);
    QCOMPARE(page.find().findIndex(), 0);
    QCOMPARE(page.find().activeMatch()->identity(), active);
    // Scrolled back to it: the match's page is on screen, near the middle.
    QTRY_VERIFY(page.list()->materializedPages().contains(row));
    SelectablePDFPageView *view = page.list()->pageView(row);
    QVERIFY(view);
    QTRY_VERIFY(page.list()->viewport()->rect().contains(
        view->mapTo(page.list()->viewport(), QPoint(view->width() / 2, int(view->height() * *page.find().activeFindCenter())))));
}

void TestDocumentPreview::halfWidthQueryHighlightsFullWidthTextOnThePage()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    DocumentPreviewModel model;
    DocumentPreview page(model, nullptr, &cache);
    page.resize(420, 700);
    page.show();
    page.follow(QStringLiteral("Wide %1").arg(marker(QStringLiteral("wide.pdf"), 1)), m_project.path());
    QTRY_VERIFY(!model.isLoading() && page.state() == DocumentPreview::State::rows);
    QTest::keyClicks(page.findBar()->field(), QStringLiteral("revenue"));
    QCOMPARE(page.find().findMatches().size(), 1);
    SelectablePDFPageView *view = nullptr;
    QTRY_VERIFY((view = page.list()->pageView(PreviewRow::pageIdentity(QStringLiteral("wide.pdf"), 1))));
    QCOMPARE(view->findHits().size(), 1);
    QCOMPARE(view->pdfPage()->textLayer()->selectionText(view->findHits().first().selection),
             QStringLiteral("ＲＥＶＥＮＵＥ"));
}

void TestDocumentPreview::pageViewsAreMadeOnlyNearTheScreen()
{
    QTemporaryDir dir;
    QStringList texts;
    for (int number = 1; number <= 300; ++number)
        texts.append(QStringLiteral("Page %1 revenue").arg(number));
    const QList<TestPage> pages = makeTextPages(dir, QStringLiteral("long.pdf"), texts);
    QCOMPARE(pages.size(), 300);
    QList<PreviewRow> rows;
    CitedDocument document{QStringLiteral("long.pdf"), dir.filePath(QStringLiteral("long.pdf")), std::nullopt, {}};
    for (int index = 0; index < pages.size(); ++index)
        document.pages.append({index + 1, pages[index].image, pages[index].page, std::nullopt});
    rows.append(PreviewRow::headerRow(document));
    for (const RenderedPage &rendered : document.pages)
        rows.append(PreviewRow::pageRow(document.filename, rendered));

    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    PreviewFind find(&cache);
    PreviewPageList list(find, &cache);
    list.resize(300, 600); // a page row is about 360 points high
    list.show();
    list.setRows(rows);
    QTRY_VERIFY(list.pageViewCount() > 0);
    QTest::qWait(50);
    QVERIFY2(list.pageViewCount() <= 4, qPrintable(QString::number(list.pageViewCount())));
    QVERIFY(list.materializedPages().contains(PreviewRow::pageIdentity(QStringLiteral("long.pdf"), 1)));
    QVERIFY(!list.pageView(PreviewRow::pageIdentity(QStringLiteral("long.pdf"), 10)));

    QTRY_VERIFY(!list.isBuilding()); // every row made, so the end is the list's end
    // Dragged to the end, and held there while the rows' heights settle (on a busy
    // machine the end moves after the first drag).
    const auto atTheEnd = [&list] {
        list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
        return list.pageView(PreviewRow::pageIdentity(QStringLiteral("long.pdf"), 300)) != nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(atTheEnd(), 20000);
    QVERIFY(!list.materializedPages().contains(PreviewRow::pageIdentity(QStringLiteral("long.pdf"), 1)));
    QVERIFY(list.materializedPages().size() <= 4);
    // Views near the top, near the end, and near the one or two places the end passed
    // through while the heights settled on a busy machine: a handful of the 300.
    QVERIFY2(list.pageViewCount() <= 16, qPrintable(QString::number(list.pageViewCount())));

    // The find brings a far page in: its row is made on the way.
    find.setDocuments({document});
    find.setFindQuery(QStringLiteral("Page 150 "));
    QCOMPARE(find.findMatches().size(), 1);
    QTRY_VERIFY(list.pageView(PreviewRow::pageIdentity(QStringLiteral("long.pdf"), 150)));
    QTRY_VERIFY(list.materializedPages().contains(PreviewRow::pageIdentity(QStringLiteral("long.pdf"), 150)));
    QVERIFY2(list.pageViewCount() <= 20, qPrintable(QString::number(list.pageViewCount()))); // a few more around it

}

void TestDocumentPreview::thousandsOfRowsAreMadeASlicePerTurn()
{
    const auto headers = [](int count) {
        QList<PreviewRow> rows;
        for (int i = 0; i < count; ++i)
            rows.append(PreviewRow::headerRow(CitedDocument{QStringLiteral("file-%1.pdf").arg(i), std::nullopt,
                                                            QStringLiteral("The corpus has no “file-%1.pdf”.").arg(i), {}}));
        return rows;
    };
    const auto made = [](const PreviewPageList &list) {
        return list.widget()->findChildren<PreviewHeaderRow *>().size();
    };
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    PreviewFind find(&cache);
    PreviewPageList list(find, &cache);
    list.resize(300, 600);
    list.show();
    list.setRows(headers(1000));
    QVERIFY2(made(list) < 1000, qPrintable(QString::number(made(list))));
    // More rows arrive while the first ones are still being made.
    list.setRows(headers(1001));
    QVERIFY(list.isBuilding());
    QTRY_COMPARE_WITH_TIMEOUT(made(list), 1001, 60'000);
    QTRY_VERIFY(!list.isBuilding());
    list.widget()->layout()->activate();
    int previousTop = -1;
    for (int i = 0; i < 1001; ++i) {
        PreviewHeaderRow *row = list.headerRow(QStringLiteral("preview-file:file-%1.pdf").arg(i));
        QVERIFY(row);
        QCOMPARE(row->filenameText(), QStringLiteral("file-%1.pdf").arg(i));
        QVERIFY(row->isVisibleTo(list.widget()));
        QVERIFY(row->y() > previousTop);
        previousTop = row->y();
    }
}

void TestDocumentPreview::claimsOfManyMarkersAndOfPagesThatDontExist()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(m_scanLines));
    DocumentPreviewModel model;
    DocumentPreview page(model, nullptr, &cache);
    page.resize(480, 1200);
    page.show();
    // Ten thousand markers on one page, one on a page past the end of the file, one on a
    // page with next to no text.
    QString text = QStringLiteral("Costs were flat %1. The moon is made of cheese %2. Staff numbers %3.")
                       .arg(marker(QStringLiteral("report.pdf"), 1), marker(QStringLiteral("report.pdf"), 99),
                            marker(QStringLiteral("report.pdf"), 2));
    for (int i = 0; i < 10000; ++i)
        text += QStringLiteral(" Revenue grew by 4% ") + marker(QStringLiteral("report.pdf"), 1);
    page.follow(text, m_project.path());
    QTRY_VERIFY(!model.isLoading() && page.state() == DocumentPreview::State::rows);
    PreviewPageList *list = page.list();
    PreviewPageRow *first = nullptr;
    QTRY_VERIFY((first = list->pageRow(PreviewRow::pageIdentity(QStringLiteral("report.pdf"), 1))));
    QCOMPARE(first->claims().size(), 10001);
    QCOMPARE(first->claimButtons().size(), PreviewPageRow::maxShownClaims);
    QCOMPARE(first->claimButtons().first()->text(), QStringLiteral("Costs were flat"));

    // The page that doesn't exist lists its claim and can be asked for without harm.
    PreviewPageRow *missing = nullptr;
    QTRY_VERIFY((missing = list->pageRow(PreviewRow::pageIdentity(QStringLiteral("report.pdf"), 99))));
    QCOMPARE(missing->claims().size(), 1);
    click(missing->claimButtons().first());
    QTRY_VERIFY(page.claims().activeClaim() == missing->claims().first().index);

    // The page's many identical claims are matched once and found on it.
    SelectablePDFPageView *view = nullptr;
    QTRY_VERIFY((view = list->pageView(PreviewRow::pageIdentity(QStringLiteral("report.pdf"), 1))));
    QTRY_VERIFY(!view->passages().isEmpty());
    for (const SelectablePDFPageView::Passage &passage : view->passages())
        QVERIFY(view->pdfPage()->textLayer()->selectionText(passage.range).contains(QStringLiteral("Costs"))
                || view->pdfPage()->textLayer()->selectionText(passage.range).contains(QStringLiteral("Revenue")));
    // Clicking the first claim's line makes it the page's active passage.
    click(first->claimButtons().first());
    QTRY_COMPARE(view->activeClaim(), first->claims().first().index);
}

QTEST_MAIN(TestDocumentPreview)
#include "test_documentpreview.moc"
