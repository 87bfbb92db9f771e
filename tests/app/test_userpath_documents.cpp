// The Documents page driven as a user would: the cited pages of an answer, find typed
// while a scanned page is still being recognized, Select All and Copy on the scanned
// page, and Open Image from a page with a chart.
#include "app/userpath.h"

#include "documents/documentpreview.h"
#include "documents/findbar.h"
#include "documents/previewpagelist.h"
#include "documents/selectablepdfpageview.h"
#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"
#include "pictures/pagepicturewindow.h"
#include "preview/previewfind.h"
#include "preview/previewrow.h"
#include "rag/ragsession.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

using namespace tovik;
using namespace tovik::test;

namespace {

const int ragTimeout = 60000;
// Real recognition of a scanned page on a loaded CI machine.
const int recognitionTimeout = 120000;

void askAndShowDocuments(const QString &question)
{
    askInCurrentTab(question);
    ContentView *tab = currentTab();
    QTRY_VERIFY_WITH_TIMEOUT(!tab->session().isBusy() && !tab->session().answerText().isEmpty(), ragTimeout);
    QVERIFY2(!tab->session().hasErrorMessage(), qPrintable(tab->session().errorMessageText()));
    QAbstractButton *documents = nullptr;
    QTRY_VERIFY((documents = buttonWithText(tab, QStringLiteral("Documents (2)"))));
    click(documents);
}

} // namespace

class TestUserPathDocuments : public QObject
{
    Q_OBJECT

public:
    explicit TestUserPathDocuments(UserPathEnvironment &) {}
    static QStringList commandLine(const UserPathEnvironment &) { return {}; }

private Q_SLOTS:
    void initTestCase();
    void findTypedWhileAScanIsRecognizedFindsOnBothPages();
    void selectAllAndCopyOnTheScannedPage();
    void openImageFromAPageWithAChart();

private:
    SelectablePDFPageView *m_memo = nullptr;
};

void TestUserPathDocuments::initTestCase()
{
    QVERIFY(QTest::qWaitForWindowActive(frontWindow()));
    frontWindow()->resize(1280, 900);
}

void TestUserPathDocuments::findTypedWhileAScanIsRecognizedFindsOnBothPages()
{
    askAndShowDocuments(QStringLiteral("What did the memo say about the Keelung warehouse inspection?"));
    m_memo = waitForPageView(currentTab(), QStringLiteral("scanned-memo.pdf"), 1);
    QVERIFY(m_memo);
    // The scanned page starts recognizing as soon as it is shown; find joins it.
    QTRY_VERIFY(m_memo->isRecognizing() || m_memo->recognized());
    DocumentPreview *page = currentTab()->documentsPage();
    QLineEdit *field = page->findBar()->field();
    QTRY_VERIFY(field->isVisible());
    click(field);
    QTest::keyClicks(field, QStringLiteral("Keelung"));

    PreviewFind &find = page->find();
    QTRY_VERIFY_WITH_TIMEOUT(!find.findOCRPending(), recognitionTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!m_memo->isRecognizing(), recognitionTimeout);
    QCOMPARE(m_memo->statusText(), QString());
    QVERIFY(m_memo->usesRecognizedText());
    QStringList files;
    for (const PreviewTextMatch &match : find.findMatches())
        files.append(match.filename);
    QVERIFY2(files.contains(QStringLiteral("scanned-memo.pdf")), qPrintable(files.join(QLatin1Char(','))));
    QVERIFY(files.contains(QStringLiteral("annual-report-2023.pdf")));
    QVERIFY(page->findBar()->statusLabel()->text().contains(QStringLiteral(" / ")));
}

void TestUserPathDocuments::selectAllAndCopyOnTheScannedPage()
{
    QVERIFY(m_memo);
    QApplication::clipboard()->clear();
    click(m_memo);
    QVERIFY(m_memo->hasFocus());
    QTest::keyClick(m_memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(m_memo, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QApplication::clipboard()->text();
    QVERIFY2(copied.contains(QStringLiteral("Keelung")) && copied.contains(QStringLiteral("inspection")),
             qPrintable(copied));
}

void TestUserPathDocuments::openImageFromAPageWithAChart()
{
    pressInFrontWindow(Qt::Key_T, Qt::ControlModifier);
    askAndShowDocuments(QStringLiteral("What does the chart show about quarterly revenue?"));
    SelectablePDFPageView *chart = waitForPageView(currentTab(), QStringLiteral("sales-chart.pdf"), 1);
    QVERIFY(chart);
    QTRY_VERIFY(chart->isVisible() && !chart->pageImage().isNull());

    bool opened = false;
    onNextPopup([&opened](QMenu *menu) { opened = chooseMenuItem(menu, QStringLiteral("Open Image")); });
    const QPoint point = chart->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, chart->mapToGlobal(point));
    QApplication::sendEvent(chart, &event);
    QTRY_VERIFY(opened);
    PagePictureWindow *window = nullptr;
    QTRY_VERIFY([&window] {
        for (QWidget *each : QApplication::topLevelWidgets()) {
            if (auto *picture = qobject_cast<PagePictureWindow *>(each); picture && picture->isVisible())
                window = picture;
        }
        return window != nullptr;
    }());
    QVERIFY(window->windowTitle().contains(QStringLiteral("sales-chart.pdf")));
    window->close();
}

TOVIK_USER_PATH_MAIN(TestUserPathDocuments)
#include "test_userpath_documents.moc"
