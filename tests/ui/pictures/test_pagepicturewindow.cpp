#include "i18n/interfacelanguage.h"
#include "i18n/translate.h"
#include "pictures/pagepicturewindow.h"
#include "pictures/picturecanvasview.h"
#include "pictures/picturescrollview.h"
#include "pictures/picturestatuslabel.h"
#include "pictures/picturezoompopup.h"
#include "picturescan/pagepicturedocument.h"
#include "picturewindowfixture.h"
#include "support/isolatedhome.h"

#include <QAction>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

using namespace tovik;

namespace {

// A pinch over `target` (the viewport unless given) that ends at `toMagnification`.
void pinch(PagePictureWindow *window, double toMagnification, QWidget *target = nullptr)
{
    QWidget *viewport = target ? target : window->scrollView()->viewport();
    const QPointF centre = QRectF(viewport->rect()).center();
    const QPointF global = viewport->mapToGlobal(centre);
    const double factor = toMagnification / window->scrollView()->magnification() - 1.0;
    const auto *device = QPointingDevice::primaryPointingDevice();
    QNativeGestureEvent begin(Qt::BeginNativeGesture, device, 2, centre, centre, global, 0, {});
    QNativeGestureEvent zoom(Qt::ZoomNativeGesture, device, 2, centre, centre, global, factor, {});
    QNativeGestureEvent end(Qt::EndNativeGesture, device, 2, centre, centre, global, 0, {});
    QApplication::sendEvent(viewport, &begin);
    QApplication::sendEvent(viewport, &zoom);
    QApplication::sendEvent(viewport, &end);
}

QString writeChartPdf(const QString &folder)
{
    const QString path = folder + QStringLiteral("/chart.pdf");
    QPdfWriter writer(path);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QImage chart(300, 200, QImage::Format_RGB32);
    chart.fill(Qt::white);
    {
        QPainter bars(&chart);
        bars.fillRect(40, 60, 50, 130, QColor(70, 110, 200));
        bars.fillRect(150, 20, 50, 170, QColor(200, 90, 60));
    }
    QPainter page(&writer);
    page.drawImage(QRectF(100, 100, 300, 200), chart);
    return path;
}

} // namespace

class TestPagePictureWindow : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void cleanup();
    void smallPictureOpensAtTheMinimumAndCentred();
    void largePictureOpensWithinTheScreen();
    void zoomStepsFromFit();
    void zoomButtonsStopAtTheEnds();
    void pinchSnapsToPresetOrShowsCustom();
    void controlWheelZooms();
    void fitFollowsTheWindowSize();
    void fitDropsTheScrollBars();
    void handDragMovesThePicture();
    void textToolTogglesAndRecognizesOnce();
    void emptyRecognitionSaysSo();
    void pinKeepsTheWindowInFront();
    void followsTheInterfaceLanguage();
    void closingForgetsTheWindowAndStopsRecognition();
    void opensAPictureFromAPdf();
};

void TestPagePictureWindow::cleanup()
{
    test::closeAllPictureWindows();
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
}

void TestPagePictureWindow::smallPictureOpensAtTheMinimumAndCentred()
{
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(100, 50),
                                                        std::make_shared<test::FakePictureRecognizer>());
    QCOMPARE(window->scrollView()->size(), QSize(280, 200));
    QCOMPARE(window->windowTitle(), QStringLiteral("chart.pdf page 1"));
    QVERIFY(window->scale().isFit());
    // Fit enlarges it to 2.8 × and centres it top to bottom.
    QCOMPARE(window->fittedMagnification(), 2.8);
    QCOMPARE(window->canvas()->geometry(), QRect(0, 30, 280, 140));

    const QRect available = window->screen()->availableGeometry();
    QVERIFY(qAbs(window->geometry().center().x() - available.center().x()) <= 1);
    QVERIFY(qAbs(window->geometry().center().y() - available.center().y()) <= 1);

    // Smaller than the view at 25 %: centred on both axes.
    window->setScale(PictureScale::percent(25));
    QCOMPARE(window->canvas()->geometry(), QRect(127, 93, 25, 13));
}

void TestPagePictureWindow::largePictureOpensWithinTheScreen()
{
    const QSize content = PagePictureWindow::contentSizeFor(QSizeF(3000, 2000), QSizeF(1440, 900));
    QCOMPARE(content, QSize(972, 648));
    QCOMPARE(PagePictureWindow::contentSizeFor(QSizeF(3000, 2000), std::nullopt), QSize(864, 576) /* on 1280 × 800 */);

    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(3000, 2000),
                                                        std::make_shared<test::FakePictureRecognizer>());
    const QSize expected = PagePictureWindow::contentSizeFor(QSizeF(3000, 2000),
                                                             QSizeF(window->screen()->availableGeometry().size()));
    QCOMPARE(window->scrollView()->size(), expected);
    QVERIFY(window->fittedMagnification() < 1.0);
    QCOMPARE(window->scrollView()->magnification(), window->fittedMagnification());
}

void TestPagePictureWindow::zoomStepsFromFit()
{
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(1000, 500),
                                                        std::make_shared<test::FakePictureRecognizer>());
    // A 600 × 400 view fits the picture at 0.6.
    window->resize(window->size() + QSize(600, 400) - window->scrollView()->size());
    QTRY_COMPARE(window->scrollView()->size(), QSize(600, 400));
    QCOMPARE(window->fittedMagnification(), 0.6);
    QVERIFY(window->scale().isFit());

    window->zoomInAction()->trigger();
    QCOMPARE(window->scale(), PictureScale::percent(75));
    QCOMPARE(window->scrollView()->magnification(), 0.75);
    QCOMPARE(window->scalePopup()->currentText(), QStringLiteral("75%"));

    window->scalePopup()->setCurrentIndex(0);
    Q_EMIT window->scalePopup()->activated(0); // the user picks "Fit"
    QVERIFY(window->scale().isFit());
    QCOMPARE(window->scrollView()->magnification(), 0.6);

    window->zoomOutAction()->trigger();
    QCOMPARE(window->scale(), PictureScale::percent(50));
    QCOMPARE(window->scalePopup()->currentText(), QStringLiteral("50%"));
}

void TestPagePictureWindow::zoomButtonsStopAtTheEnds()
{
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(400, 300),
                                                        std::make_shared<test::FakePictureRecognizer>());
    window->setScale(PictureScale::percent(200));
    QVERIFY(!window->zoomInAction()->isEnabled());
    QVERIFY(window->zoomOutAction()->isEnabled());
    window->zoomIn();
    QCOMPARE(window->scale(), PictureScale::percent(200));

    window->setScale(PictureScale::percent(25));
    QVERIFY(!window->zoomOutAction()->isEnabled());
    QVERIFY(window->zoomInAction()->isEnabled());
    window->zoomOut();
    QCOMPARE(window->scale(), PictureScale::percent(25));

    // Choosing a preset from the pop-up.
    const int index = window->scalePopup()->findData(100);
    window->scalePopup()->setCurrentIndex(index);
    Q_EMIT window->scalePopup()->activated(index);
    QCOMPARE(window->scale(), PictureScale::percent(100));
    QVERIFY(window->zoomInAction()->isEnabled() && window->zoomOutAction()->isEnabled());
}

void TestPagePictureWindow::pinchSnapsToPresetOrShowsCustom()
{
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(400, 300),
                                                        std::make_shared<test::FakePictureRecognizer>());
    PictureZoomPopup *popup = window->scalePopup();
    QVERIFY(!popup->showsCustomEntry());

    pinch(window, 1.006);
    QCOMPARE(window->scale(), PictureScale::percent(100));
    QCOMPARE(window->scrollView()->magnification(), 1.0);
    QCOMPARE(popup->currentText(), QStringLiteral("100%"));
    QVERIFY(!popup->showsCustomEntry());

    pinch(window, 1.3);
    QCOMPARE(window->scale(), PictureScale::percent(130));
    QVERIFY(popup->showsCustomEntry());
    QCOMPARE(popup->currentIndex(), popup->customIndex());
    QCOMPARE(popup->currentText(), QStringLiteral("130%"));
    // From 130 % the buttons step to the neighbouring presets.
    window->zoomOut();
    QCOMPARE(window->scale(), PictureScale::percent(100));
    QVERIFY(!popup->showsCustomEntry());

    // With the text tool the canvas takes the events; pinching over it still zooms.
    window->toggleText();
    pinch(window, 0.5, window->canvas());
    QCOMPARE(window->scale(), PictureScale::percent(50));

    // Pinches stay within the magnification limits.
    pinch(window, 20);
    QCOMPARE(window->scrollView()->magnification(), 8.0);
    QCOMPARE(window->scale(), PictureScale::percent(800));
}

void TestPagePictureWindow::controlWheelZooms()
{
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(400, 300),
                                                        std::make_shared<test::FakePictureRecognizer>());
    window->setScale(PictureScale::percent(100));
    QWidget *viewport = window->scrollView()->viewport();
    const QPointF at = QRectF(viewport->rect()).center();
    QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    const double zoomed = window->scrollView()->magnification();
    QVERIFY(zoomed > 1.1);
    QVERIFY(window->scale() == PictureScale::percent(100)); // settles only when the wheel rests
    QTRY_COMPARE(window->scale(), PictureScale::percent(qRound(zoomed * 100)));

    // Without Ctrl the wheel scrolls instead of zooming.
    const double before = window->scrollView()->magnification();
    QWheelEvent scroll(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &scroll);
    QCOMPARE(window->scrollView()->magnification(), before);
}

void TestPagePictureWindow::fitFollowsTheWindowSize()
{
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(1000, 500),
                                                        std::make_shared<test::FakePictureRecognizer>());
    window->resize(window->size() + QSize(500, 400) - window->scrollView()->size());
    QTRY_COMPARE(window->scrollView()->size(), QSize(500, 400));
    QCOMPARE(window->scrollView()->magnification(), 0.5);
    // A fixed percentage stays put when the window changes size.
    window->setScale(PictureScale::percent(75));
    window->resize(window->size() + QSize(100, 0));
    QTRY_COMPARE(window->scrollView()->size(), QSize(600, 400));
    QCOMPARE(window->scrollView()->magnification(), 0.75);

}

void TestPagePictureWindow::fitDropsTheScrollBars()
{
    // Fitted, the picture fills the view exactly: scroll bars left over from a
    // zoomed-in view must not keep it scrollable.
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(1500, 1000),
                                                        std::make_shared<test::FakePictureRecognizer>());
    window->resize(window->size() + QSize(600, 400) - window->scrollView()->size());
    QTRY_COMPARE(window->scrollView()->size(), QSize(600, 400));
    window->setScale(PictureScale::percent(200));
    QScrollBar *h = window->scrollView()->horizontalScrollBar();
    QScrollBar *v = window->scrollView()->verticalScrollBar();
    QTRY_VERIFY(h->isVisible() && v->isVisible());

    window->setScale(PictureScale::fit());
    QTRY_VERIFY(!h->isVisible() && !v->isVisible());
    QCOMPARE(window->scrollView()->magnification(), 0.4);
    QCOMPARE(v->maximum(), 0);
    QCOMPARE(window->canvas()->geometry(), QRect(0, 0, 600, 400));
}

void TestPagePictureWindow::handDragMovesThePicture()
{
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(800, 600),
                                                        std::make_shared<test::FakePictureRecognizer>());
    QCOMPARE(window->tool(), std::optional(PictureTool::hand));
    QVERIFY(window->handAction()->isChecked());
    window->setScale(PictureScale::percent(200));
    QScrollBar *h = window->scrollView()->horizontalScrollBar();
    QScrollBar *v = window->scrollView()->verticalScrollBar();
    h->setValue(300);
    v->setValue(300);

    QWidget *viewport = window->scrollView()->viewport();
    test::MouseScript mouse(viewport);
    mouse.pause();
    mouse.press(QPoint(100, 100));
    QVERIFY(window->scrollView()->isGrabbing());
    QCOMPARE(viewport->cursor().shape(), Qt::ClosedHandCursor);
    mouse.move(QPoint(140, 70));
    QCOMPARE(h->value(), 260);
    QCOMPARE(v->value(), 330);
    mouse.release(QPoint(140, 70));
    QVERIFY(!window->scrollView()->isGrabbing());
    QCOMPARE(viewport->cursor().shape(), Qt::OpenHandCursor);

    // Without the hand tool a drag does nothing.
    window->toggleHand();
    QCOMPARE(window->tool(), std::optional<PictureTool>());
    QVERIFY(!window->handAction()->isChecked());
    mouse.drag(QPoint(100, 100), QPoint(10, 10));
    QCOMPARE(h->value(), 260);
    QCOMPARE(v->value(), 330);
}

void TestPagePictureWindow::textToolTogglesAndRecognizesOnce()
{
    auto recognizer = std::make_shared<test::FakePictureRecognizer>(
        QList<TextObservation>{test::textLine(QStringLiteral("Revenue"), 0.1, 0.8, 0.05, 0.1)}, true);
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(400, 300), recognizer);
    QVERIFY(!window->canvas()->didRequestOCR());
    QVERIFY(window->canvas()->testAttribute(Qt::WA_TransparentForMouseEvents));

    window->textAction()->trigger();
    QCOMPARE(window->tool(), std::optional(PictureTool::text));
    QVERIFY(window->textAction()->isChecked());
    QVERIFY(!window->handAction()->isChecked());
    QVERIFY(!window->canvas()->testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(window->scrollView()->viewport()->cursor().shape(), Qt::IBeamCursor);
    QVERIFY(window->statusLabel()->isVisible());
    QCOMPARE(window->statusLabel()->text(), QStringLiteral("Recognizing text…"));
    QCOMPARE(window->statusLabel()->pos(), QPoint(10, 10));
    QTRY_COMPARE(recognizer->calls.load(), 1);

    window->textAction()->trigger(); // chosen twice: off
    QCOMPARE(window->tool(), std::optional<PictureTool>());
    QVERIFY(window->canvas()->testAttribute(Qt::WA_TransparentForMouseEvents));

    recognizer->gate.release();
    QTRY_VERIFY(window->canvas()->recognized().has_value());
    QVERIFY(!window->statusLabel()->isVisible());
    QCOMPARE(window->canvas()->recognized()->text(), QStringLiteral("Revenue"));

    window->toggleText();
    window->toggleHand();
    window->toggleText();
    QTest::qWait(50);
    QCOMPARE(recognizer->calls.load(), 1);
    QVERIFY(!window->statusLabel()->isVisible());
}

void TestPagePictureWindow::emptyRecognitionSaysSo()
{
    auto recognizer = std::make_shared<test::FakePictureRecognizer>(
        QList<TextObservation>{test::textLine(QStringLiteral("   "), 0.1, 0.8, 0.05, 0.1)});
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(400, 300), recognizer);
    window->toggleText();
    QTRY_VERIFY(window->canvas()->recognized().has_value());
    QVERIFY(window->statusLabel()->isVisible());
    QCOMPARE(window->statusLabel()->text(), QStringLiteral("No text recognized on this picture."));

    // A failing recognizer ends the same way.
    auto failing = std::make_shared<test::FakePictureRecognizer>();
    failing->fail = true;
    PagePictureWindow *other = test::showPictureWindow(test::blankPicture(400, 300), failing);
    other->toggleText();
    QTRY_VERIFY(other->canvas()->recognized().has_value());
    QCOMPARE(other->statusLabel()->text(), QStringLiteral("No text recognized on this picture."));
}

void TestPagePictureWindow::pinKeepsTheWindowInFront()
{
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(400, 300),
                                                        std::make_shared<test::FakePictureRecognizer>());
    QVERIFY(!window->isPinned());
    QVERIFY(!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window->pinAction()->trigger();
    QVERIFY(window->isPinned());
    QVERIFY(window->pinAction()->isChecked());
    QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window->isVisible());
    window->pinAction()->trigger();
    QVERIFY(!window->isPinned());
    QVERIFY(!window->pinAction()->isChecked());
    QVERIFY(!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

void TestPagePictureWindow::followsTheInterfaceLanguage()
{
    auto recognizer = std::make_shared<test::FakePictureRecognizer>(QList<TextObservation>{}, true);
    PagePictureWindow *window = test::showPictureWindow(test::blankPicture(400, 300), recognizer);
    QVERIFY(window->toolBar()->objectName().startsWith(QStringLiteral("PagePicture-")));
    const QStringList order{QStringLiteral("picture.hand"), QStringLiteral("picture.text"),
                            QStringLiteral("picture.zoomOut"), QStringLiteral("picture.zoomIn"),
                            QStringLiteral("picture.scale"), QStringLiteral("picture.pin")};
    QStringList shown;
    for (QAction *action : window->toolBar()->actions()) {
        if (action->objectName().startsWith(QStringLiteral("picture.")))
            shown.append(action->objectName());
    }
    QCOMPARE(shown, order);
    QCOMPARE(window->handAction()->text(), QStringLiteral("Hand"));
    QCOMPARE(window->handAction()->toolTip(), QStringLiteral("Drag to move the picture"));
    QCOMPARE(window->textAction()->toolTip(), QStringLiteral("Select text on the picture"));
    QCOMPARE(window->pinAction()->toolTip(), QStringLiteral("Keep the picture in front of other windows"));
    QCOMPARE(window->scalePopup()->itemText(0), QStringLiteral("Fit"));
    window->toggleText();
    QCOMPARE(window->statusLabel()->text(), QStringLiteral("Recognizing text…"));

    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    QCOMPARE(window->handAction()->text(), QStringLiteral("拖移"));
    QCOMPARE(window->textAction()->text(), translate(QStringLiteral("Select Text")));
    QVERIFY(window->textAction()->text() != QStringLiteral("Select Text"));
    QCOMPARE(window->zoomInAction()->toolTip(), translate(QStringLiteral("Zoom In")));
    QCOMPARE(window->scalePopup()->itemText(0), QStringLiteral("符合視窗"));
    QCOMPARE(window->statusLabel()->text(), QStringLiteral("正在識別文字…"));
    QCOMPARE(window->locale().name(), QLocale(QStringLiteral("zh-Hant")).name());

    recognizer->gate.release();
    QTRY_VERIFY(window->canvas()->recognized().has_value());
    QCOMPARE(window->statusLabel()->text(), QStringLiteral("此圖片上沒有識別到文字。"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    QCOMPARE(window->statusLabel()->text(), QStringLiteral("No text recognized on this picture."));
    QCOMPARE(window->handAction()->text(), QStringLiteral("Hand"));
}

void TestPagePictureWindow::closingForgetsTheWindowAndStopsRecognition()
{
    auto recognizer = std::make_shared<test::FakePictureRecognizer>(QList<TextObservation>{}, true);
    PagePictureWindow *first = test::showPictureWindow(test::blankPicture(400, 300), recognizer);
    PagePictureWindow *second = test::showPictureWindow(test::blankPicture(200, 300), recognizer);
    QCOMPARE(PagePictureWindow::openWindows(), (QList<PagePictureWindow *>{first, second}));

    first->toggleText();
    QTRY_COMPARE(recognizer->calls.load(), 1);
    QPointer<PagePictureWindow> watched(first);
    first->close();
    QCOMPARE(PagePictureWindow::openWindows(), QList<PagePictureWindow *>{second});
    QTRY_VERIFY(!watched);
    QTRY_COMPARE(recognizer->cancellations.load(), 1);
}

void TestPagePictureWindow::opensAPictureFromAPdf()
{
    QTemporaryDir folder;
    const QString path = writeChartPdf(folder.path());
    const std::unique_ptr<PagePictureDocument> document = PagePictureDocument::open(path);
    QVERIFY(document);
    const QList<PagePicture> pictures = document->pictures(0);
    QCOMPARE(pictures.size(), 1);

    PagePictureWindow *window = PagePictureWindow::open(path, 0, pictures.first(), QStringLiteral("chart.pdf page 1"));
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("chart.pdf page 1"));
    QCOMPARE(window->canvas()->accessibleName(), QStringLiteral("chart.pdf page 1"));
    // At least two pixels per point of the 300 × 200-point picture.
    QVERIFY(window->canvas()->image().width() >= 600);
    QCOMPARE(PagePictureWindow::openWindows(), QList<PagePictureWindow *>{window});

    // Nothing to draw, or no such file: no window.
    QVERIFY(!PagePictureWindow::open(path, 0, PagePicture{QRectF(-500, -500, 10, 10), 1}, QStringLiteral("x")));
    QVERIFY(!PagePictureWindow::open(folder.filePath(QStringLiteral("missing.pdf")), 0, pictures.first(),
                                     QStringLiteral("x")));
    QVERIFY(!PagePictureWindow::open(QImage(), QStringLiteral("x")));
    QCOMPARE(PagePictureWindow::openWindows().size(), 1);
}

QTEST_MAIN(TestPagePictureWindow)
#include "test_pagepicturewindow.moc"
