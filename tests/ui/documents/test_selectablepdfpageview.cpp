#include "documents/selectablepdfpageview.h"
#include "core/preview/pagefixture.h"
#include "preview/previewfind.h"
#include "preview/previewocrcache.h"
#include "support/isolatedhome.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

using namespace tovik;
using namespace tovik::test;

namespace {

// Two recognized lines: 11 glyphs of "Hello world", then 6 of "第二行，文字".
const QList<ScriptedRecognizer::Line> scannedLines{
    {QStringLiteral("Hello world"), QRectF(0.10, 0.80, 0.55, 0.04)},
    {QStringLiteral("第二行，文字"), QRectF(0.10, 0.70, 0.30, 0.04)},
};

class Mouse
{
public:
    explicit Mouse(QWidget *widget)
        : m_widget(widget)
    {
    }

    void press(QPointF point, int gap = 50) { send(QEvent::MouseButtonPress, point, gap, Qt::LeftButton); }
    void doubleClickEvent(QPointF point) { send(QEvent::MouseButtonDblClick, point, 0, Qt::LeftButton); }
    void move(QPointF point) { send(QEvent::MouseMove, point, 10, Qt::LeftButton); }
    void release(QPointF point) { send(QEvent::MouseButtonRelease, point, 10, Qt::NoButton); }
    void click(QPointF point, int gap = 50)
    {
        press(point, gap);
        release(point);
    }
    void drag(QPointF from, QPointF to)
    {
        press(from, 5000);
        move((from + to) / 2);
        move(to);
        release(to);
    }
    // Far apart in time from every earlier click.
    void pause() { m_time += 5000; }

private:
    void send(QEvent::Type type, QPointF point, int gap, Qt::MouseButtons buttons)
    {
        m_time += gap;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, point, m_widget->mapToGlobal(point), button, buttons, Qt::NoModifier);
        event.setTimestamp(m_time);
        QApplication::sendEvent(m_widget, &event);
    }

    QWidget *m_widget;
    quint64 m_time = 100000;
};

// The middle of character `index` of the page's text layer, in the view.
QPointF pointOfCharacter(const SelectablePDFPageView &view, qsizetype index)
{
    const PdfPageGeometry geometry = view.pdfPage()->geometry();
    const QPointF box = geometry.cropBoxTransform().map(view.pdfPage()->textLayer()->characterBounds(index).center());
    const QSizeF size = geometry.displayedSize();
    return {box.x() / size.width() * view.width(), (size.height() - box.y()) / size.height() * view.height()};
}

// The middle of recognized glyph `index`, in the view.
QPointF pointOfGlyph(const SelectablePDFPageView &view, qsizetype index)
{
    const QPointF center = view.recognized()->glyphs().at(index).bounds.center();
    return {center.x() * view.width(), (1 - center.y()) * view.height()};
}

SelectablePDFPage rowFor(const TestPage &page, const QString &key)
{
    SelectablePDFPage row;
    row.image = page.image;
    row.pdfPage = page.page;
    row.textKey = key;
    row.caption = key;
    return row;
}

void showFocused(QWidget &window, QWidget &view)
{
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    view.setFocus();
    QTRY_VERIFY(view.hasFocus());
}

} // namespace

class TestSelectablePDFPageView : public QObject
{
    Q_OBJECT

public:
    static void initMain() { isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void dragDoubleAndTripleClickOnTheTextLayer();
    void dragDoubleAndTripleClickOnRecognizedText();
    void scannedPageShowsItsRecognitionState();
    void pageViewAndFindWaitingForOnePageAreBothServed();
    void sameNameFromAnotherFileIsRecognizedAgain();
    void onlyOnePageInTheProcessHasASelection();
    void ctrlCCopiesOnlyWithExactlyCtrlAndFocus();
    void shiftArrowsSelectInBothTexts();
    void selectingOffersThePrimarySelection();
    void findHighlightsKeepOnlyRangesThatFitThePage();
    void contextMenuFollowsTheSelectionAndTakesExtensions();
    void revealScrollsTheActiveMatchIntoView();
    void passagesFollowTheClaimsAndThePageText();

private:
    QTemporaryDir m_dir;
    TestPage m_text;
    TestPage m_scan;
};

void TestSelectablePDFPageView::shiftArrowsSelectInBothTexts()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(scannedLines));
    QWidget window;
    auto *column = new QVBoxLayout(&window);
    auto *before = new QLineEdit(&window);
    auto *view = new SelectablePDFPageView(&window, &cache);
    column->addWidget(before);
    column->addWidget(view);
    view->setFixedSize(612, 792);
    view->apply(rowFor(m_text, QStringLiteral("text.pdf\u001E1")));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // Tab reaches the page.
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    QVERIFY(view->hasFocus());

    // From the top of the page, a character at a time, and back.
    for (int step = 0; step < 5; ++step)
        QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("Hello"));
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("Hell"));
    // Down: to the start of the next line; up: back to the start of this one.
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("Hello brave world\n"));
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("Hello brave world\nSecond line here"));
    QTest::keyClick(view, Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("Hello brave world\n"));
    QTest::keyClick(view, Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(view->selectedText(), std::nullopt);
    // Arrows without Shift, or with Ctrl too, are not selection keys.
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
    QCOMPARE(view->selectedText(), std::nullopt);

    // Shift+arrows grow a selection made with the mouse, from its start.
    Mouse mouse(view);
    mouse.drag(pointOfCharacter(*view, 6), pointOfCharacter(*view, 10));
    QCOMPARE(view->selectedText(), QStringLiteral("brave"));
    QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("brave "));
    // After Select All they shrink it from the end.
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("Hello brave world\nSecond line her"));

    // The recognized text of a scanned page, glyph by glyph and line by line.
    view->apply(rowFor(m_scan, QStringLiteral("scan.pdf\u001E1")));
    QTRY_VERIFY(view->usesRecognizedText());
    for (int step = 0; step < 3; ++step)
        QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("Hel"));
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("Hello world"));
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier); // already at the end
    QCOMPARE(view->selectedText(), QStringLiteral("Hello world\n第二行，文字"));
}

void TestSelectablePDFPageView::selectingOffersThePrimarySelection()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection())
        QSKIP("This platform has no primary selection (run under X11 to check it).");
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(scannedLines));
    SelectablePDFPageView view(nullptr, &cache);
    view.apply(rowFor(m_text, QStringLiteral("text.pdf\u001E1")));
    view.resize(612, 792);
    clipboard->setText(QStringLiteral("copied before"));
    Mouse mouse(&view);
    mouse.drag(pointOfCharacter(view, 6), pointOfCharacter(view, 10));
    QTRY_COMPARE(clipboard->text(QClipboard::Selection), QStringLiteral("brave"));
    view.selectAll();
    QTRY_COMPARE(clipboard->text(QClipboard::Selection), QStringLiteral("Hello brave world\nSecond line here"));
    // Selecting is not copying.
    QCOMPARE(clipboard->text(), QStringLiteral("copied before"));
}

void TestSelectablePDFPageView::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_text = makeTextPage(m_dir, QStringLiteral("text.pdf"),
                          {QStringLiteral("Hello brave world"), QStringLiteral("Second line here")});
    m_scan = makeScannedPage(m_dir, QStringLiteral("scan.pdf"), {QStringLiteral("Hello world")});
    QVERIFY(m_text.page && !m_text.image.isNull());
    QVERIFY(m_scan.page && !m_scan.image.isNull());
    QCOMPARE(m_text.page->textLayer()->text(), QStringLiteral("Hello brave world\nSecond line here"));
    QVERIFY(m_scan.page->textLayer()->text().trimmed().isEmpty());
}

void TestSelectablePDFPageView::dragDoubleAndTripleClickOnTheTextLayer()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    SelectablePDFPageView view(nullptr, &cache);
    view.apply(rowFor(m_text, QStringLiteral("text.pdf\u001E1")));
    view.resize(306, 396); // half size: the mapping scales
    Mouse mouse(&view);
    QVERIFY(!view.usesRecognizedText());

    mouse.drag(pointOfCharacter(view, 0), pointOfCharacter(view, 4));
    QCOMPARE(view.selectedText(), QStringLiteral("Hello"));
    QCOMPARE(view.dragMode(), DragMode::none);
    // Dragging backwards selects the same characters.
    mouse.drag(pointOfCharacter(view, 10), pointOfCharacter(view, 6));
    QCOMPARE(view.selectedText(), QStringLiteral("brave"));

    mouse.pause();
    mouse.click(pointOfCharacter(view, 14));
    QCOMPARE(view.selectedText(), std::nullopt); // a single click clears
    mouse.press(pointOfCharacter(view, 14), 100);
    QCOMPARE(view.granularity(), SelectionGranularity::word);
    QCOMPARE(view.selectedText(), QStringLiteral("world"));
    // Dragging on after a double click keeps the word.
    mouse.move(pointOfCharacter(view, 20));
    QCOMPARE(view.selectedText(), QStringLiteral("world"));
    mouse.release(pointOfCharacter(view, 20));

    mouse.pause();
    mouse.click(pointOfCharacter(view, 20));
    mouse.doubleClickEvent(pointOfCharacter(view, 20)); // Qt's own double-click event counts as the second click
    QCOMPARE(view.selectedText(), QStringLiteral("Second"));
    mouse.release(pointOfCharacter(view, 20));
    mouse.press(pointOfCharacter(view, 20), 100);
    QCOMPARE(view.granularity(), SelectionGranularity::line);
    QCOMPARE(view.selectedText(), QStringLiteral("Second line here"));
    mouse.release(pointOfCharacter(view, 20));

    // A click outside the text clears, and nothing maps on a view without size.
    mouse.pause();
    mouse.click(QPointF(300, 390));
    QCOMPARE(view.selectedText(), std::nullopt);
    view.resize(1, 1);
    QCOMPARE(view.pagePoint(QPointF(0.5, 0.5)), std::nullopt);
}

void TestSelectablePDFPageView::dragDoubleAndTripleClickOnRecognizedText()
{
    auto recognizer = std::make_shared<ScriptedRecognizer>(scannedLines);
    PreviewOCRCache cache(recognizer);
    SelectablePDFPageView view(nullptr, &cache);
    view.resize(612, 792);
    view.apply(rowFor(m_scan, QStringLiteral("scan.pdf\u001E1")));
    QTRY_VERIFY(view.usesRecognizedText());
    Mouse mouse(&view);

    mouse.drag(pointOfGlyph(view, 0), pointOfGlyph(view, 4));
    QCOMPARE(view.dragMode(), DragMode::none);
    QCOMPARE(view.selectedText(), QStringLiteral("Hello"));

    mouse.pause();
    mouse.click(pointOfGlyph(view, 8));
    QCOMPARE(view.selectedText(), std::nullopt);
    mouse.press(pointOfGlyph(view, 8), 100);
    QCOMPARE(view.selectedText(), QStringLiteral("world"));
    mouse.move(pointOfGlyph(view, 1));
    QCOMPARE(view.selectedText(), QStringLiteral("world"));
    mouse.release(pointOfGlyph(view, 1));

    // Chinese without spaces: a word runs up to the comma.
    mouse.pause();
    mouse.click(pointOfGlyph(view, 12));
    mouse.press(pointOfGlyph(view, 12), 100);
    QCOMPARE(view.selectedText(), QStringLiteral("第二行"));
    mouse.release(pointOfGlyph(view, 12));
    mouse.press(pointOfGlyph(view, 12), 100);
    QCOMPARE(view.selectedText(), QStringLiteral("第二行，文字"));
    mouse.release(pointOfGlyph(view, 12));

    // A drag over both lines selects by rectangle, lines joined by a line feed.
    mouse.drag(pointOfGlyph(view, 2), pointOfGlyph(view, 12));
    QCOMPARE(view.selectedText(), QStringLiteral("el\n二行"));
    QCOMPARE(recognizer->calls(), 1);
}

void TestSelectablePDFPageView::scannedPageShowsItsRecognitionState()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    SelectablePDFPageView view(nullptr, &cache);
    view.resize(306, 396);
    view.apply(rowFor(m_scan, QStringLiteral("blank.pdf\u001E1")));
    QCOMPARE(view.statusText(), QStringLiteral("Recognizing text…"));
    QVERIFY(view.isRecognizing());
    QTRY_COMPARE(view.statusText(), QStringLiteral("No text recognized on this page."));
    QVERIFY(!view.usesRecognizedText());

    // Without a text key nothing is started.
    SelectablePDFPageView keyless(nullptr, &cache);
    keyless.apply(rowFor(m_scan, QString()));
    QCOMPARE(keyless.statusText(), QStringLiteral("No text recognized on this page."));
    QVERIFY(!keyless.isRecognizing());

    // A page with a text layer shows no status.
    view.apply(rowFor(m_text, QStringLiteral("text.pdf\u001E1")));
    QCOMPARE(view.statusText(), QString());
}

void TestSelectablePDFPageView::pageViewAndFindWaitingForOnePageAreBothServed()
{
    auto recognizer = std::make_shared<ScriptedRecognizer>(scannedLines);
    PreviewOCRCache cache(recognizer);
    PreviewFind find(&cache);
    SelectablePDFPageView viewFirst(nullptr, &cache);
    SelectablePDFPageView findFirst(nullptr, &cache);
    const RenderedPage page{1, m_scan.image, m_scan.page, std::nullopt};
    find.setDocuments({{QStringLiteral("a.pdf"), std::nullopt, std::nullopt, {page}},
                       {QStringLiteral("b.pdf"), std::nullopt, std::nullopt, {page}}});

    // Results come back on a later turn of the event loop, so all of these ask while
    // both pages are still being read: a.pdf by its view and then the find, b.pdf by
    // the find and then its view.
    viewFirst.apply(rowFor(m_scan, QStringLiteral("a.pdf\u001E1")));
    find.setFindQuery(QStringLiteral("world"));
    findFirst.apply(rowFor(m_scan, QStringLiteral("b.pdf\u001E1")));
    QVERIFY(viewFirst.isRecognizing() && findFirst.isRecognizing() && find.findOCRPending());

    QTRY_VERIFY(!find.findOCRPending());
    QTRY_VERIFY(!viewFirst.isRecognizing() && !findFirst.isRecognizing());
    QVERIFY(viewFirst.usesRecognizedText() && findFirst.usesRecognizedText());
    QCOMPARE(viewFirst.statusText(), QString());
    QCOMPARE(find.findMatches().size(), 2);
    QCOMPARE(recognizer->calls(), 2);
}

void TestSelectablePDFPageView::sameNameFromAnotherFileIsRecognizedAgain()
{
    auto recognizer = std::make_shared<ScriptedRecognizer>(scannedLines);
    PreviewOCRCache cache(recognizer);
    SelectablePDFPageView view(nullptr, &cache);
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("other")));
    const TestPage other = makeScannedPage(m_dir, QStringLiteral("other/scan.pdf"), {QStringLiteral("x")});
    SelectablePDFPage row = rowFor(m_scan, QStringLiteral("scan.pdf\u001E1"));
    row.sourcePath = m_dir.filePath(QStringLiteral("scan.pdf"));
    view.apply(row);
    QTRY_VERIFY(view.usesRecognizedText());

    // The same name and page from another folder is not shown the first file's text.
    row.image = other.image;
    row.pdfPage = other.page;
    row.sourcePath = m_dir.filePath(QStringLiteral("other/scan.pdf"));
    view.apply(row);
    QCOMPARE(view.statusText(), QStringLiteral("Recognizing text…"));
    QTRY_VERIFY(view.usesRecognizedText());
    QCOMPARE(recognizer->calls(), 2);
}

void TestSelectablePDFPageView::onlyOnePageInTheProcessHasASelection()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(scannedLines));
    SelectablePDFPageView first(nullptr, &cache);
    SelectablePDFPageView second(nullptr, &cache);
    first.resize(612, 792);
    second.resize(612, 792);
    first.apply(rowFor(m_text, QStringLiteral("text.pdf\u001E1")));
    second.apply(rowFor(m_scan, QStringLiteral("scan.pdf\u001E1")));
    QTRY_VERIFY(second.usesRecognizedText());

    Mouse(&first).drag(pointOfCharacter(first, 0), pointOfCharacter(first, 4));
    QVERIFY(first.selectedText());
    Mouse(&second).drag(pointOfGlyph(second, 0), pointOfGlyph(second, 4));
    QCOMPARE(second.selectedText(), QStringLiteral("Hello"));
    QTRY_COMPARE(first.selectedText(), std::nullopt);

    first.selectAll();
    QCOMPARE(first.selectedText(), QStringLiteral("Hello brave world\nSecond line here"));
    QTRY_COMPARE(second.selectedText(), std::nullopt);
    QVERIFY(first.selectedText());
}

void TestSelectablePDFPageView::ctrlCCopiesOnlyWithExactlyCtrlAndFocus()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(scannedLines));
    QWidget window;
    auto *column = new QVBoxLayout(&window);
    auto *view = new SelectablePDFPageView(&window, &cache);
    auto *other = new QLineEdit(&window);
    column->addWidget(view);
    column->addWidget(other);
    view->setFixedSize(612, 792);
    view->apply(rowFor(m_scan, QStringLiteral("scan.pdf\u001E1")));
    showFocused(window, *view);
    QTRY_VERIFY(view->usesRecognizedText());
    QClipboard *clipboard = QGuiApplication::clipboard();

    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->selectedText(), QStringLiteral("Hello world\n第二行，文字"));
    clipboard->setText(QStringLiteral("before"));
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::ControlModifier | Qt::ShiftModifier, Qt::ControlModifier | Qt::AltModifier, Qt::KeyboardModifiers(Qt::AltModifier),
          Qt::KeyboardModifiers(Qt::NoModifier)}) {
        QTest::keyClick(view, Qt::Key_C, modifiers);
        QCOMPARE(clipboard->text(), QStringLiteral("before"));
    }
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("Hello world\n第二行，文字"));

    // Without the focus the keys are not the page's.
    clipboard->setText(QStringLiteral("before"));
    other->setFocus();
    QTRY_VERIFY(!view->hasFocus());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QStringLiteral("c"));
    QApplication::sendEvent(view, &press);
    QCOMPARE(clipboard->text(), QStringLiteral("before"));

    // Copy with nothing selected leaves the clipboard alone.
    view->setFocus();
    QTRY_VERIFY(view->hasFocus());
    view->clearSelections();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("before"));
}

void TestSelectablePDFPageView::findHighlightsKeepOnlyRangesThatFitThePage()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    SelectablePDFPageView view(nullptr, &cache);
    view.resize(612, 792);
    SelectablePDFPage row = rowFor(m_text, QStringLiteral("text.pdf\u001E1"));
    const qsizetype count = m_text.page->textLayer()->characterCount();
    row.findRanges = {{0, 5}, {6, 5}, {count - 2, 3}, {-1, 2}, {3, 0}, {count - 4, 4}};
    view.apply(row);
    QCOMPARE(view.findHits().size(), 3);
    QCOMPARE(view.findHits().at(1).range, TextRange({6, 5}));

    // Another page rebuilds the hits for its own text.
    const TestPage shorter = makeTextPage(m_dir, QStringLiteral("short.pdf"), {QStringLiteral("Hi")});
    row.pdfPage = shorter.page;
    row.image = shorter.image;
    view.apply(row);
    QCOMPARE(view.findHits().size(), 0);
}

void TestSelectablePDFPageView::contextMenuFollowsTheSelectionAndTakesExtensions()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    SelectablePDFPageView view(nullptr, &cache);
    view.resize(612, 792);
    view.apply(rowFor(m_text, QStringLiteral("text.pdf\u001E1")));

    std::unique_ptr<QMenu> menu(view.makeContextMenu(nullptr));
    QCOMPARE(menu->actions().size(), 2);
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("Copy"));
    QVERIFY(!menu->actions().at(0)->isEnabled());
    QVERIFY(menu->actions().at(1)->isEnabled());
    menu->actions().at(1)->trigger();
    QCOMPARE(view.selectedText(), QStringLiteral("Hello brave world\nSecond line here"));

    QString extendedFor;
    SelectablePDFPageView::setMenuExtension([&](SelectablePDFPageView &page, QMenu &items) {
        extendedFor = page.caption();
        items.addSeparator();
        items.addAction(QStringLiteral("Open Image"));
    });
    menu.reset(view.makeContextMenu(nullptr));
    SelectablePDFPageView::setMenuExtension({});
    QVERIFY(menu->actions().at(0)->isEnabled());
    QCOMPARE(menu->actions().size(), 4);
    QCOMPARE(extendedFor, QStringLiteral("text.pdf\u001E1"));

    // A scanned page without recognized text has nothing to select.
    SelectablePDFPageView scan(nullptr, &cache);
    scan.apply(rowFor(m_scan, QStringLiteral("empty.pdf\u001E1")));
    menu.reset(scan.makeContextMenu(nullptr));
    QVERIFY(!menu->actions().at(1)->isEnabled());
}

void TestSelectablePDFPageView::revealScrollsTheActiveMatchIntoView()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>());
    QScrollArea area;
    area.resize(400, 300);
    auto *content = new QWidget;
    auto *column = new QVBoxLayout(content);
    auto *spacer = new QWidget(content);
    spacer->setFixedHeight(2000);
    auto *view = new SelectablePDFPageView(content, &cache);
    view->setFixedSize(306, 396);
    column->addWidget(spacer);
    column->addWidget(view);
    area.setWidget(content);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QCOMPARE(area.verticalScrollBar()->value(), 0);

    SelectablePDFPage row = rowFor(m_text, QStringLiteral("text.pdf\u001E1"));
    row.findRanges = {{6, 5}};
    row.activeFindRange = TextRange{6, 5};
    row.findReveal = 1;
    view->apply(row);
    QTRY_VERIFY(area.verticalScrollBar()->value() > 0);
    const QPoint match = view->mapTo(area.viewport(), pointOfCharacter(*view, 8).toPoint());
    QVERIFY2(area.viewport()->rect().contains(match), "the active match is on screen");

    // The same reveal counter again asks for nothing.
    area.verticalScrollBar()->setValue(0);
    view->apply(row);
    QTest::qWait(20);
    QCOMPARE(area.verticalScrollBar()->value(), 0);
}

void TestSelectablePDFPageView::passagesFollowTheClaimsAndThePageText()
{
    PreviewOCRCache cache(std::make_shared<ScriptedRecognizer>(scannedLines));
    SelectablePDFPageView view(nullptr, &cache);
    view.resize(612, 792);
    QSignalSpy found(&view, &SelectablePDFPageView::passagesChanged);
    SelectablePDFPage row = rowFor(m_text, QStringLiteral("text.pdf\u001E1"));
    const auto passageText = [&view](int claim) {
        for (const SelectablePDFPageView::Passage &passage : view.passages()) {
            if (passage.claim == claim)
                return passage.glyphs.empty() ? view.pdfPage()->textLayer()->selectionText(passage.range)
                                              : view.recognized()->text(passage.glyphs);
        }
        return QString();
    };

    // A supported claim gets its passage; one the page says nothing about gets none.
    row.claims = {{0, QStringLiteral("Second line here")}, {1, QStringLiteral("Quarterly taxes fell sharply")}};
    view.apply(row);
    QTRY_COMPARE(view.passages().size(), 1);
    QVERIFY2(passageText(0).contains(QStringLiteral("Second line")), qPrintable(passageText(0)));
    QVERIFY(view.passageRects(view.passages().first()).size() >= 1);
    QVERIFY(!view.isFlashing());

    // A claim arriving later is added; the active one with a new reveal flashes the page.
    found.clear();
    row.claims.append({2, QStringLiteral("Hello brave world")});
    row.activeClaim = 2;
    row.claimReveal = 1;
    view.apply(row);
    QVERIFY(view.isFlashing());
    QTRY_COMPARE(view.passages().size(), 2);
    QVERIFY2(passageText(2).contains(QStringLiteral("brave world")), qPrintable(passageText(2)));
    QTRY_VERIFY(!view.isFlashing());
    // The same values again change nothing.
    found.clear();
    view.apply(row);
    QCOMPARE(found.count(), 0);

    // Another page is searched anew: the old passages don't carry over.
    const TestPage shorter = makeTextPage(m_dir, QStringLiteral("short-claims.pdf"), {QStringLiteral("Hi")});
    row.pdfPage = shorter.page;
    row.image = shorter.image;
    view.apply(row);
    QTRY_VERIFY(view.passages().isEmpty());

    // A scanned page gets its passage once its text is recognized.
    SelectablePDFPage scanned = rowFor(m_scan, QStringLiteral("scan.pdf\u001E1"));
    scanned.claims = {{7, QStringLiteral("Hello world")}};
    view.apply(scanned);
    QTRY_VERIFY(view.usesRecognizedText());
    QTRY_COMPARE(view.passages().size(), 1);
    QCOMPARE(passageText(7), QStringLiteral("Hello world"));
}

QTEST_MAIN(TestSelectablePDFPageView)
#include "test_selectablepdfpageview.moc"
