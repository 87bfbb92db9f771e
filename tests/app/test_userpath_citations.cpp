// Citation markers in the answer, used as a reader checks an answer: a click on a
// marker lands on the cited page with the passage of its claim highlighted (also on a
// scanned page, once its text is recognized); Tab and Return do the same from the
// keyboard; the claims under a page switch the passage; copying keeps the markers.
#include "app/userpath.h"

#include "compare/comparecolumn.h"
#include "compare/comparewindow.h"
#include "documents/documentpreview.h"
#include "documents/previewpagelist.h"
#include "documents/previewpagerow.h"
#include "documents/selectablepdfpageview.h"
#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/questionfield.h"
#include "mainwindow/textbox.h"
#include "mainwindow/textview.h"
#include "pdf/pdftextlayer.h"
#include "preview/answerclaims.h"
#include "preview/previewrow.h"
#include "rag/ragsession.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollArea>
#include <QScrollBar>
#include <QPushButton>

using namespace tovik;
using namespace tovik::test;

namespace {

const int ragTimeout = 60000;
const int recognitionTimeout = 120000;

// A point of the answer view on the marker citing `filename`, found as the eye does:
// where the view shows that marker.
std::optional<QPoint> pointOnMarker(const TextView *view, const QString &filename)
{
    const QRect area = view->viewport()->rect();
    for (int y = area.top() + 2; y < area.bottom(); y += 3) {
        for (int x = area.left() + 2; x < area.right(); x += 4) {
            const std::optional<CitationMarker> marker = view->citationAt(QPoint(x, y));
            if (marker && marker->filename == filename)
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

ContentView *askAndWait(const QString &question)
{
    askInCurrentTab(question);
    ContentView *tab = currentTab();
    waitForAnswer(tab);
    return tab;
}

// The active claim's passage on `view`: its text, and whether it lies in the list's
// visible part.
struct ShownPassage
{
    bool found = false;
    QString text;
    bool inView = false;
};

ShownPassage activePassage(SelectablePDFPageView *view)
{
    for (const SelectablePDFPageView::Passage &passage : view->passages()) {
        if (passage.claim != view->activeClaim())
            continue;
        ShownPassage shown;
        shown.found = true;
        if (!passage.glyphs.empty() && view->recognized())
            shown.text = view->recognized()->text(passage.glyphs);
        else if (view->pdfPage() && view->pdfPage()->textLayer())
            shown.text = view->pdfPage()->textLayer()->selectionText(passage.range);
        QRectF united;
        for (const QRectF &rect : view->passageRects(passage))
            united = united.united(rect);
        QWidget *viewport = view->parentWidget();
        while (viewport && !qobject_cast<QScrollArea *>(viewport->parentWidget()))
            viewport = viewport->parentWidget();
        if (viewport) {
            const QRect onScreen(view->mapTo(viewport, united.topLeft().toPoint()), united.size().toSize());
            shown.inView = viewport->rect().intersects(onScreen) && united.isValid();
        }
        return shown;
    }
    return {};
}

} // namespace

class TestUserPathCitations : public QObject
{
    Q_OBJECT

public:
    explicit TestUserPathCitations(UserPathEnvironment &) {}
    static QStringList commandLine(const UserPathEnvironment &) { return {}; }

private Q_SLOTS:
    void initTestCase();
    void clickingAMarkerShowsItsPassageOnTheCitedPage();
    void tabReachesTheMarkersAndReturnOpensOne();
    void aClaimUnderThePageMakesItsPassageActive();
    void copyingTheAnswerKeepsTheMarkersAsWritten();
    void aMarkerOfAScannedPageHighlightsTheRecognizedPassage();
    void aMarkerInTheCompareWindowOpensItsTab();

private:
    ContentView *m_revenueTab = nullptr;
};

void TestUserPathCitations::initTestCase()
{
    QVERIFY(QTest::qWaitForWindowActive(frontWindow()));
    // A window of a laptop screen: a page is taller than the list shows at once.
    frontWindow()->resize(1000, 560);
}

void TestUserPathCitations::clickingAMarkerShowsItsPassageOnTheCitedPage()
{
    ContentView *tab = askAndWait(QStringLiteral("What was the revenue growth in 2023?"));
    m_revenueTab = tab;
    TextView *answer = tab->answerBox()->editor();
    QVERIFY(!tab->documentsPage()->isVisible()); // still on Ingest: the click has to open Documents
    std::optional<QPoint> point;
    QTRY_VERIFY((point = pointOnMarker(answer, QStringLiteral("annual-report-2023.pdf"))).has_value());
    QTest::mouseClick(answer->viewport(), Qt::LeftButton, {}, *point);

    QTRY_VERIFY(tab->documentsPage()->isVisible());
    SelectablePDFPageView *page = waitForPageView(tab, QStringLiteral("annual-report-2023.pdf"), 2);
    QVERIFY(page);
    QTRY_VERIFY(page->isFlashing());
    ShownPassage passage;
    QTRY_VERIFY_WITH_TIMEOUT((passage = activePassage(page)).inView, ragTimeout);
    QVERIFY2(passage.text.contains(QStringLiteral("18 percent")), qPrintable(passage.text));
    QTRY_VERIFY(!page->isFlashing());
    // Clicking the answer's text elsewhere selects as before and opens nothing new.
    const int active = tab->documentsPage()->claims().activeClaim();
    QTest::mouseClick(answer->viewport(), Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(tab->documentsPage()->claims().activeClaim(), active);
}

void TestUserPathCitations::tabReachesTheMarkersAndReturnOpensOne()
{
    ContentView *tab = currentTab();
    TextView *answer = tab->answerBox()->editor();
    // Tab from the question field on, as a keyboard user gets to the answer.
    tab->questionField()->setFocus(Qt::MouseFocusReason);
    for (int presses = 0; presses < 12 && !answer->hasFocus(); ++presses)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(answer->hasFocus());
    QVERIFY(!answer->focusedCitation());
    QTest::keyClick(answer, Qt::Key_Tab);
    QVERIFY(answer->hasFocus());
    QVERIFY(answer->focusedCitation());
    QCOMPARE(answer->focusedCitation()->filename, QStringLiteral("annual-report-2023.pdf"));
    QTest::keyClick(answer, Qt::Key_Tab);
    QVERIFY(answer->focusedCitation());
    QCOMPARE(answer->focusedCitation()->filename, QStringLiteral("sales-chart.pdf"));
    QTest::keyClick(answer, Qt::Key_Return);

    const AnswerClaims &claims = tab->documentsPage()->claims();
    QTRY_VERIFY(claims.activeClaim() >= 0);
    QCOMPARE(claims.claims()[claims.activeClaim()].marker.filename, QStringLiteral("sales-chart.pdf"));
    SelectablePDFPageView *chart = waitForPageView(tab, QStringLiteral("sales-chart.pdf"), 1);
    QVERIFY(chart);
    QTRY_VERIFY(chart->isFlashing());

    // Shift+Tab goes back a marker; past the last one Tab leaves the answer.
    answer->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(answer, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(answer->focusedCitation()->filename, QStringLiteral("annual-report-2023.pdf"));
    QTest::keyClick(answer, Qt::Key_Tab);
    QTest::keyClick(answer, Qt::Key_Tab);
    QTRY_VERIFY(!answer->hasFocus());
}

void TestUserPathCitations::aClaimUnderThePageMakesItsPassageActive()
{
    ContentView *tab = currentTab();
    PreviewPageRow *row = tab->documentsPage()->list()->pageRow(PreviewRow::pageIdentity(QStringLiteral("annual-report-2023.pdf"), 2));
    QVERIFY(row);
    QTRY_COMPARE(row->claimButtons().size(), 1);
    QPushButton *claim = row->claimButtons().first();
    QVERIFY2(claim->text().contains(QStringLiteral("Revenue rose")), qPrintable(claim->text()));
    QVERIFY(!claim->font().bold()); // the chart's claim is the active one now
    click(claim);
    const AnswerClaims &claims = tab->documentsPage()->claims();
    QTRY_COMPARE(claims.claims()[claims.activeClaim()].marker.filename, QStringLiteral("annual-report-2023.pdf"));
    QTRY_VERIFY(row->claimButtons().first()->font().bold());
    SelectablePDFPageView *page = row->view();
    QVERIFY(page);
    ShownPassage passage;
    QTRY_VERIFY((passage = activePassage(page)).inView);
}

void TestUserPathCitations::copyingTheAnswerKeepsTheMarkersAsWritten()
{
    ContentView *tab = currentTab();
    TextView *answer = tab->answerBox()->editor();
    QApplication::clipboard()->clear();
    answer->setFocus();
    QTest::keyClick(answer, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(answer, Qt::Key_C, Qt::ControlModifier);
    QString expected = tab->session().answerText();
    if (expected.endsWith(QLatin1Char('\n')))
        expected.chop(1);
    QCOMPARE(QApplication::clipboard()->text(), expected);
    QVERIFY(expected.contains(QStringLiteral("[來源: annual-report-2023.pdf p. 2]")));
}

void TestUserPathCitations::aMarkerOfAScannedPageHighlightsTheRecognizedPassage()
{
    pressInFrontWindow(Qt::Key_T, Qt::ControlModifier);
    ContentView *tab = askAndWait(QStringLiteral("What did the memo say about the Keelung warehouse inspection?"));
    TextView *answer = tab->answerBox()->editor();
    std::optional<QPoint> point;
    QTRY_VERIFY((point = pointOnMarker(answer, QStringLiteral("scanned-memo.pdf"))).has_value());
    QTest::mouseClick(answer->viewport(), Qt::LeftButton, {}, *point);
    SelectablePDFPageView *memo = waitForPageView(tab, QStringLiteral("scanned-memo.pdf"), 1);
    QVERIFY(memo);
    ShownPassage passage;
    QTRY_VERIFY_WITH_TIMEOUT((passage = activePassage(memo)).inView, recognitionTimeout);
    QVERIFY(memo->usesRecognizedText());
    QVERIFY2(passage.text.contains(QStringLiteral("Keelung"), Qt::CaseInsensitive), qPrintable(passage.text));
}

void TestUserPathCitations::aMarkerInTheCompareWindowOpensItsTab()
{
    QVERIFY(m_revenueTab && currentTab() != m_revenueTab);
    const qint64 reveal = m_revenueTab->documentsPage()->claims().reveal();
    pressInFrontWindow(Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    CompareWindow *compare = nullptr;
    QTRY_VERIFY((compare = CompareWindow::sharedWindow()) && compare->isVisible());
    CompareColumn *revenue = nullptr;
    QTRY_VERIFY([&] {
        for (CompareColumn *column : compare->findChildren<CompareColumn *>()) {
            if (column->questionBox()->text() == m_revenueTab->session().question())
                revenue = column;
        }
        return revenue != nullptr;
    }());
    TextView *answer = revenue->answerBox()->editor();
    std::optional<QPoint> point;
    QTRY_VERIFY((point = pointOnMarker(answer, QStringLiteral("annual-report-2023.pdf"))).has_value());
    QTest::mouseClick(answer->viewport(), Qt::LeftButton, {}, *point);

    QTRY_COMPARE(currentTab(), m_revenueTab);
    QTRY_VERIFY(m_revenueTab->documentsPage()->isVisible());
    const AnswerClaims &claims = m_revenueTab->documentsPage()->claims();
    QTRY_COMPARE(claims.reveal(), reveal + 1);
    QCOMPARE(claims.claims()[claims.activeClaim()].marker.filename, QStringLiteral("annual-report-2023.pdf"));
    compare->close();
}

TOVIK_USER_PATH_MAIN(TestUserPathCitations)
#include "test_userpath_citations.moc"
