#include "pictures/pagepicturewindow.h"
#include "pictures/picturecanvasview.h"
#include "pictures/pictureviewgeometry.h"
#include "picturewindowfixture.h"
#include "support/isolatedhome.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QtTest>

using namespace tovik;

namespace {

GlyphIndexSet range(qsizetype from, qsizetype to)
{
    GlyphIndexSet set;
    for (qsizetype i = from; i < to; ++i)
        set.insert(i);
    return set;
}

} // namespace

// Two recognized lines on a 400 × 200 picture:
//   "Sales 2023" — glyphs 0–9, near the top;
//   "Q1, Q2"     — glyphs 10–15, below it.
class TestPictureTextSelection : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init();
    void cleanup();
    void doubleClickSelectsAWordAndDragKeepsIt();
    void tripleClickSelectsALine();
    void dragSelectsTheGlyphsInTheRectangle();
    void clickOnNothingClearsAndBlankWordsSelectNothing();
    void copyAndSelectAllKeys();
    void shiftArrowsSelectGlyphsAndLines();
    void selectingOffersThePrimarySelection();
    void contextMenuFollowsTheSelection();
    void selectionIsDrawnOverThePicture();
    void handToolLeavesTextAlone();

private:
    QPoint centreOf(qsizetype glyph) const;
    PictureCanvasView *canvas() const { return m_window->canvas(); }

    PagePictureWindow *m_window = nullptr;
};

void TestPictureTextSelection::init()
{
    auto recognizer = std::make_shared<test::FakePictureRecognizer>(QList<TextObservation>{
        test::textLine(QStringLiteral("Sales 2023"), 0.1, 0.7, 0.05, 0.1),
        test::textLine(QStringLiteral("Q1, Q2"), 0.1, 0.4, 0.05, 0.1),
    });
    m_window = test::showPictureWindow(test::blankPicture(400, 200), recognizer);
    m_window->activateWindow(); // on X11 the window is not active by being shown
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    m_window->toggleText();
    QTRY_VERIFY(canvas()->recognized().has_value());
    QCOMPARE(canvas()->recognized()->glyphs().size(), 16);
    QVERIFY(canvas()->hasFocus());
}

void TestPictureTextSelection::cleanup()
{
    test::closeAllPictureWindows();
}

QPoint TestPictureTextSelection::centreOf(qsizetype glyph) const
{
    const QRectF box = canvas()->recognized()->glyphs().at(glyph).bounds;
    return PictureViewGeometry::viewRect(box, QSizeF(canvas()->size())).center().toPoint();
}

void TestPictureTextSelection::doubleClickSelectsAWordAndDragKeepsIt()
{
    test::MouseScript mouse(canvas());
    mouse.pause();
    mouse.press(centreOf(1));
    mouse.release(centreOf(1));
    mouse.doubleClick(centreOf(1));
    QCOMPARE(canvas()->selection(), std::optional(range(0, 5)));
    QCOMPARE(canvas()->selectedText(), QStringLiteral("Sales"));
    // Dragging on after the double click leaves the word selected.
    mouse.move(centreOf(14));
    mouse.release(centreOf(14));
    QCOMPARE(canvas()->selection(), std::optional(range(0, 5)));

    // A comma is a word of its own.
    mouse.pause();
    mouse.press(centreOf(12));
    mouse.release(centreOf(12));
    mouse.doubleClick(centreOf(12));
    QCOMPARE(canvas()->selectedText(), QStringLiteral(","));
}

void TestPictureTextSelection::tripleClickSelectsALine()
{
    test::MouseScript mouse(canvas());
    mouse.tripleClick(centreOf(13));
    QCOMPARE(canvas()->selection(), std::optional(range(10, 16)));
    QCOMPARE(canvas()->selectedText(), QStringLiteral("Q1, Q2"));

    // Two separate double clicks are not a triple click.
    mouse.pause();
    mouse.press(centreOf(7));
    mouse.release(centreOf(7));
    mouse.doubleClick(centreOf(7));
    mouse.release(centreOf(7));
    mouse.pause();
    mouse.press(centreOf(7));
    QCOMPARE(canvas()->selection(), std::optional<GlyphIndexSet>());
}

void TestPictureTextSelection::dragSelectsTheGlyphsInTheRectangle()
{
    test::MouseScript mouse(canvas());
    mouse.drag(centreOf(0), centreOf(11));
    QCOMPARE(canvas()->selection(), std::optional(GlyphIndexSet{0, 1, 10, 11}));
    QCOMPARE(canvas()->selectedText(), QStringLiteral("Sa\nQ1"));

    // Backwards along one line.
    mouse.drag(centreOf(9), centreOf(6));
    QCOMPARE(canvas()->selectedText(), QStringLiteral("2023"));

    // The selection survives a change of zoom: it lives on the glyphs.
    m_window->setScale(PictureScale::percent(200));
    QCOMPARE(canvas()->selectedText(), QStringLiteral("2023"));
    mouse.drag(centreOf(0), centreOf(4));
    QCOMPARE(canvas()->selectedText(), QStringLiteral("Sales"));
}

void TestPictureTextSelection::clickOnNothingClearsAndBlankWordsSelectNothing()
{
    test::MouseScript mouse(canvas());
    mouse.tripleClick(centreOf(2));
    QVERIFY(canvas()->selection());

    mouse.click(QPoint(2, canvas()->height() - 2));
    QCOMPARE(canvas()->selection(), std::optional<GlyphIndexSet>());

    mouse.tripleClick(centreOf(2));
    mouse.pause();
    mouse.press(QPoint(2, canvas()->height() - 2));
    mouse.release(QPoint(2, canvas()->height() - 2));
    mouse.doubleClick(QPoint(2, canvas()->height() - 2));
    QCOMPARE(canvas()->selection(), std::optional<GlyphIndexSet>());

    // Double-clicking the space between "Sales" and "2023": nothing to select.
    mouse.pause();
    mouse.press(centreOf(5));
    mouse.release(centreOf(5));
    mouse.doubleClick(centreOf(5));
    QCOMPARE(canvas()->selection(), std::optional<GlyphIndexSet>());
}

void TestPictureTextSelection::copyAndSelectAllKeys()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("keep me"));
    QTest::keyClick(canvas(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("keep me"));

    // Other modifiers are not the copy key.
    QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(canvas()->selection(), std::optional<GlyphIndexSet>());

    QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(canvas()->selection(), std::optional(range(0, 16)));
    QTest::keyClick(canvas(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("Sales 2023\nQ1, Q2"));

    test::MouseScript mouse(canvas());
    mouse.drag(centreOf(6), centreOf(9));
    QTest::keyClick(canvas(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QStringLiteral("2023"));
}

void TestPictureTextSelection::shiftArrowsSelectGlyphsAndLines()
{
    // Without a mouse: from the first glyph, a glyph per Shift+Left/Right, a line per
    // Shift+Up/Down, and back to nothing.
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(canvas(), Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(canvas()->selectedText(), QStringLiteral("Sales"));
    QTest::keyClick(canvas(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(canvas()->selection(), std::optional(range(0, 10)));
    QTest::keyClick(canvas(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(canvas(), Qt::Key_Down, Qt::ShiftModifier); // already at the end
    QCOMPARE(canvas()->selection(), std::optional(range(0, 16)));
    QTest::keyClick(canvas(), Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(canvas()->selection(), std::optional(range(0, 10)));
    QTest::keyClick(canvas(), Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(canvas()->selection(), std::optional<GlyphIndexSet>());
    QTest::keyClick(canvas(), Qt::Key_Left, Qt::ShiftModifier); // nothing before the first glyph
    QCOMPARE(canvas()->selection(), std::optional<GlyphIndexSet>());

    // A mouse selection is grown or shrunk from where it ends, and copied as shown.
    test::MouseScript mouse(canvas());
    mouse.drag(centreOf(6), centreOf(9));
    QCOMPARE(canvas()->selection(), std::optional(range(6, 10)));
    QTest::keyClick(canvas(), Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(canvas(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("202"));
    QTest::keyClick(canvas(), Qt::Key_Down, Qt::ShiftModifier); // to the end of the line
    QCOMPARE(canvas()->selection(), std::optional(range(6, 10)));
    QTest::keyClick(canvas(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(canvas()->selection(), std::optional(range(6, 16)));

    // Plain arrows leave the selection alone.
    QTest::keyClick(canvas(), Qt::Key_Left);
    QCOMPARE(canvas()->selection(), std::optional(range(6, 16)));
}

void TestPictureTextSelection::selectingOffersThePrimarySelection()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection())
        QSKIP("This platform has no primary selection (run under X11 to check it).");
    clipboard->setText(QStringLiteral("keep me"));
    test::MouseScript mouse(canvas());
    mouse.drag(centreOf(6), centreOf(9));
    QTRY_COMPARE(clipboard->text(QClipboard::Selection), QStringLiteral("2023"));
    QTest::keyClick(canvas(), Qt::Key_A, Qt::ControlModifier);
    QTRY_COMPARE(clipboard->text(QClipboard::Selection), QStringLiteral("Sales 2023\nQ1, Q2"));
    QCOMPARE(clipboard->text(), QStringLiteral("keep me"));
}

void TestPictureTextSelection::contextMenuFollowsTheSelection()
{
    std::unique_ptr<QMenu> menu = canvas()->contextMenu();
    QCOMPARE(menu->actions().size(), 2);
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("Copy"));
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("Select All"));
    QVERIFY(!menu->actions().at(0)->isEnabled());
    QVERIFY(menu->actions().at(1)->isEnabled());

    menu->actions().at(1)->trigger();
    QCOMPARE(canvas()->selection(), std::optional(range(0, 16)));
    menu = canvas()->contextMenu();
    QVERIFY(menu->actions().at(0)->isEnabled());
    QGuiApplication::clipboard()->clear();
    menu->actions().at(0)->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Sales 2023\nQ1, Q2"));
}

void TestPictureTextSelection::selectionIsDrawnOverThePicture()
{
    const QColor paper(240, 240, 240);
    const auto colourAt = [this](QPoint at) { return canvas()->grab().toImage().pixelColor(at); };
    QCOMPARE(colourAt(centreOf(0)), paper);

    test::MouseScript mouse(canvas());
    mouse.tripleClick(centreOf(0));
    // The line is one rectangle: the space between the words is tinted too.
    QVERIFY(colourAt(centreOf(0)) != paper);
    QVERIFY(colourAt(centreOf(5)) != paper);
    QCOMPARE(colourAt(centreOf(10)), paper);
    // Between the two lines nothing is drawn.
    const QPoint between((centreOf(0).x()), (centreOf(0).y() + centreOf(10).y()) / 2);
    QCOMPARE(colourAt(between), paper);
}

void TestPictureTextSelection::handToolLeavesTextAlone()
{
    m_window->toggleHand();
    QVERIFY(canvas()->testAttribute(Qt::WA_TransparentForMouseEvents));
    test::MouseScript mouse(canvas());
    mouse.tripleClick(centreOf(0));
    QCOMPARE(canvas()->selection(), std::optional<GlyphIndexSet>());
}

QTEST_MAIN(TestPictureTextSelection)
#include "test_picturetextselection.moc"
