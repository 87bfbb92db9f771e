#include "i18n/interfacelanguage.h"
#include "pictures/pictureviewgeometry.h"
#include "pictures/picturewindowtitle.h"
#include "pictures/picturezoom.h"
#include "support/isolatedhome.h"

#include <QtTest>

using namespace tovik;

Q_DECLARE_METATYPE(std::optional<int>)

class TestPictureZoom : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void openingSizeFollowsTheScreen();
    void openingSizeKeepsTheMinimum();
    void zoomSteps_data();
    void zoomSteps();
    void pinchSnapsToPresetsWithinTolerance_data();
    void pinchSnapsToPresetsWithinTolerance();
    void fitStaysWithinLimits();
    void titleFollowsThePictureCount();
    void viewMappingFlipsTheVerticalAxis();
    void selectionMergesRunsPerLine();
};

void TestPictureZoom::openingSizeFollowsTheScreen()
{
    const QSizeF screen(1440, 900);
    QCOMPARE(PictureZoom::openingFactor(QSizeF(3000, 2000), screen), 0.324);
    const QSizeF content = PictureZoom::openingContentSize(QSizeF(3000, 2000), screen);
    QCOMPARE(content.width(), 972.0);
    QCOMPARE(content.height(), 648.0);

    // The caps hold on a very large screen; a small picture is never enlarged.
    QCOMPARE(PictureZoom::openingFactor(QSizeF(2200, 500), QSizeF(5120, 2880)), 0.5);
    QCOMPARE(PictureZoom::openingFactor(QSizeF(600, 400), screen), 1.0);
    QCOMPARE(PictureZoom::openingContentSize(QSizeF(600, 400), screen), QSizeF(600, 400));
}

void TestPictureZoom::openingSizeKeepsTheMinimum()
{
    QCOMPARE(PictureZoom::openingContentSize(QSizeF(100, 50), QSizeF(1440, 900)), QSizeF(280, 200));
    // A tall thin picture shrinks to the screen's height, its width held at the minimum.
    QCOMPARE(PictureZoom::openingContentSize(QSizeF(100, 6480), QSizeF(1440, 900)), QSizeF(280, 648));
    // Degenerate sides count as one point instead of dividing by zero.
    QCOMPARE(PictureZoom::openingFactor(QSizeF(0, 0), QSizeF(1440, 900)), 1.0);
    QCOMPARE(PictureZoom::openingContentSize(QSizeF(0, -5), QSizeF(1440, 900)), QSizeF(280, 200));
}

void TestPictureZoom::zoomSteps_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<std::optional<int>>("zoomIn");
    QTest::addColumn<std::optional<int>>("zoomOut");
    QTest::newRow("fit at 0.6") << 0.6 << std::optional(75) << std::optional(50);
    QTest::newRow("at 200 %") << 2.0 << std::optional<int>() << std::optional(100);
    QTest::newRow("at 25 %") << 0.25 << std::optional(50) << std::optional<int>();
    QTest::newRow("at 100 %") << 1.0 << std::optional(200) << std::optional(75);
    QTest::newRow("a hair above 100 % counts as 100 %") << 1.003 << std::optional(200) << std::optional(75);
    QTest::newRow("far below the presets") << 0.1 << std::optional(25) << std::optional<int>();
    QTest::newRow("far above the presets") << 8.0 << std::optional<int>() << std::optional(200);
    QTest::newRow("custom 130 %") << 1.3 << std::optional(200) << std::optional(100);
}

void TestPictureZoom::zoomSteps()
{
    QFETCH(double, value);
    QFETCH(std::optional<int>, zoomIn);
    QFETCH(std::optional<int>, zoomOut);
    QCOMPARE(PictureZoom::zoomInTarget(value), zoomIn);
    QCOMPARE(PictureZoom::zoomOutTarget(value), zoomOut);
    QCOMPARE(PictureZoom::canZoomIn(value), zoomIn.has_value());
    QCOMPARE(PictureZoom::canZoomOut(value), zoomOut.has_value());
}

void TestPictureZoom::pinchSnapsToPresetsWithinTolerance_data()
{
    QTest::addColumn<double>("magnification");
    QTest::addColumn<int>("percent");
    QTest::newRow("1.006 → 100") << 1.006 << 100;
    QTest::newRow("0.992 → 100") << 0.992 << 100;
    QTest::newRow("exactly 0.008 below 75") << 0.742 << 75;
    QTest::newRow("just outside 75") << 0.741 << 74;
    QTest::newRow("1.3 → 130") << 1.3 << 130;
    QTest::newRow("2.007 → 200") << 2.007 << 200;
    QTest::newRow("0.2549 → 25") << 0.2549 << 25;
    QTest::newRow("rounded, not truncated") << 1.337 << 134;
}

void TestPictureZoom::pinchSnapsToPresetsWithinTolerance()
{
    QFETCH(double, magnification);
    QFETCH(int, percent);
    const PictureScale scale = PictureZoom::scaleAfterMagnification(magnification);
    QVERIFY(!scale.isFit());
    QCOMPARE(scale.percentage(), std::optional(percent));
    QCOMPARE(PictureZoom::isPreset(percent), PictureZoom::isPreset(*scale.percentage()));
}

void TestPictureZoom::fitStaysWithinLimits()
{
    QCOMPARE(PictureZoom::fitMagnification(QSizeF(1000, 500), QSizeF(600, 400)), std::optional(0.6));
    QCOMPARE(PictureZoom::fitMagnification(QSizeF(10, 10), QSizeF(600, 400)), std::optional(8.0));
    QCOMPARE(PictureZoom::fitMagnification(QSizeF(100000, 100), QSizeF(600, 400)), std::optional(0.1));
    // No usable view, or nothing to show: nothing to fit.
    QCOMPARE(PictureZoom::fitMagnification(QSizeF(100, 100), QSizeF(1, 400)), std::optional<double>());
    QCOMPARE(PictureZoom::fitMagnification(QSizeF(0, 100), QSizeF(600, 400)), std::optional<double>());
    QCOMPARE(PictureZoom::value(PictureScale::fit(), 0.6), 0.6);
    QCOMPARE(PictureZoom::value(PictureScale::percent(130), 0.6), 1.3);
    QCOMPARE(PictureZoom::percentTitle(130), QStringLiteral("130%"));
}

void TestPictureZoom::titleFollowsThePictureCount()
{
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    const QString caption = QStringLiteral("report.pdf page 3");
    QCOMPARE(pictureWindowTitle(caption, 0, 1), caption);
    QCOMPARE(pictureWindowTitle(QString(), 0, 1), QStringLiteral("Open Image"));
    QCOMPARE(pictureWindowTitle(caption, 1, 2), QStringLiteral("report.pdf page 3 \u2014 Image 2"));
    QCOMPARE(pictureWindowTitle(QString(), 1, 2), QStringLiteral("Image 2"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    QCOMPARE(pictureWindowTitle(caption, 0, 3), QStringLiteral("report.pdf page 3 \u2014 圖片 1"));
    QCOMPARE(pictureWindowTitle(QString(), 0, 1), QStringLiteral("開啟圖片"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
}

void TestPictureZoom::viewMappingFlipsTheVerticalAxis()
{
    const QSizeF view(200, 100);
    QCOMPARE(PictureViewGeometry::normalizedPoint(QPointF(50, 25), view), std::optional(QPointF(0.25, 0.75)));
    QCOMPARE(PictureViewGeometry::normalizedPoint(QPointF(0, 100), view), std::optional(QPointF(0, 0)));
    QCOMPARE(PictureViewGeometry::normalizedPoint(QPointF(1, 1), QSizeF(0.5, 100)), std::optional<QPointF>());
    QCOMPARE(PictureViewGeometry::normalizedRect(QPointF(100, 0), QPointF(50, 50), view),
             std::optional(QRectF(0.25, 0.5, 0.25, 0.5)));
    // A box in the upper-left quarter of the picture lies in the view's upper-left quarter.
    QCOMPARE(PictureViewGeometry::viewRect(QRectF(0, 0.5, 0.5, 0.5), view), QRectF(0, 0, 100, 50));
}

void TestPictureZoom::selectionMergesRunsPerLine()
{
    using Glyph = RecognizedPageText::Glyph;
    // Line 0: four glyphs at the top; line 1: two glyphs below; glyph 2 has no size.
    const RecognizedPageText text({
        Glyph{QStringLiteral("a"), QRectF(0.0, 0.9, 0.1, 0.1), 0},
        Glyph{QStringLiteral("b"), QRectF(0.1, 0.9, 0.1, 0.1), 0},
        Glyph{QStringLiteral("c"), QRectF(0.2, 0.9, 0.0, 0.1), 0},
        Glyph{QStringLiteral("d"), QRectF(0.3, 0.9, 0.1, 0.1), 0},
        Glyph{QStringLiteral("e"), QRectF(0.0, 0.7, 0.1, 0.1), 1},
        Glyph{QStringLiteral("f"), QRectF(0.1, 0.7, 0.1, 0.1), 1},
    });
    const QSizeF view(100, 100);

    // 0–3 run on one line (the empty box adds nothing), then 4–5 on the next.
    QCOMPARE(PictureViewGeometry::selectionRects(text, {0, 1, 2, 3, 4, 5}, view),
             (QList<QRectF>{QRectF(0, 0, 40, 10), QRectF(0, 20, 20, 10)}));
    // A gap in the indexes splits a line's run.
    QCOMPARE(PictureViewGeometry::selectionRects(text, {0, 3}, view),
             (QList<QRectF>{QRectF(0, 0, 10, 10), QRectF(30, 0, 10, 10)}));
    // A run of empty boxes draws nothing; indexes outside the text are ignored.
    QCOMPARE(PictureViewGeometry::selectionRects(text, {2, 9, -1}, view), QList<QRectF>());
}

QTEST_GUILESS_MAIN(TestPictureZoom)
#include "test_picturezoom.moc"
