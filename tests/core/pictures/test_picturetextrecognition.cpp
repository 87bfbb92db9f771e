#include "core/ocr/fakerecognizer.h"
#include "pictures/picturetextrecognition.h"
#include "support/isolatedhome.h"

#include <QSignalSpy>
#include <QThreadPool>
#include <QtTest>

using namespace tovik;

namespace {
QImage blankImage()
{
    QImage image(60, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}
} // namespace

class TestPictureTextRecognition : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void cleanup() { QThreadPool::globalInstance()->waitForDone(); }
    void recognizesOnlyOnce();
    void failuresAndMissingPixelsGiveEmptyText();
    void cancellingDropsTheResult();
};

void TestPictureTextRecognition::recognizesOnlyOnce()
{
    auto recognizer = std::make_shared<test::FakePictureRecognizer>(
        QList<TextObservation>{test::textLine(QStringLiteral("Q1 sales"), 0.1, 0.5, 0.05, 0.1)});
    PictureTextRecognition recognition(recognizer);
    QSignalSpy finished(&recognition, &PictureTextRecognition::finished);

    QVERIFY(recognition.start(blankImage()));
    QVERIFY(recognition.isRunning());
    QVERIFY(!recognition.start(blankImage()));
    QVERIFY(finished.wait());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().value<RecognizedPageText>().text(), QStringLiteral("Q1 sales"));
    QVERIFY(!recognition.isRunning());

    QVERIFY(!recognition.start(blankImage()));
    QTest::qWait(50);
    QCOMPARE(recognizer->calls.load(), 1);
    QCOMPARE(finished.size(), 1);
}

void TestPictureTextRecognition::failuresAndMissingPixelsGiveEmptyText()
{
    auto recognizer = std::make_shared<test::FakePictureRecognizer>();
    recognizer->fail = true;
    PictureTextRecognition failing(recognizer);
    QSignalSpy failed(&failing, &PictureTextRecognition::finished);
    failing.start(blankImage());
    QVERIFY(failed.wait());
    QVERIFY(failed.first().first().value<RecognizedPageText>().isEmpty());

    PictureTextRecognition nothing(recognizer);
    QSignalSpy empty(&nothing, &PictureTextRecognition::finished);
    QVERIFY(nothing.start(QImage()));
    QVERIFY(empty.wait());
    QVERIFY(empty.first().first().value<RecognizedPageText>().isEmpty());
    QCOMPARE(recognizer->calls.load(), 1); // no pixels: the recognizer is never asked
}

void TestPictureTextRecognition::cancellingDropsTheResult()
{
    auto recognizer = std::make_shared<test::FakePictureRecognizer>(
        QList<TextObservation>{test::textLine(QStringLiteral("late"), 0.1, 0.5, 0.05, 0.1)}, true);
    {
        PictureTextRecognition recognition(recognizer);
        QSignalSpy finished(&recognition, &PictureTextRecognition::finished);
        recognition.start(blankImage());
        QTRY_COMPARE(recognizer->calls.load(), 1);
        recognition.cancel();
        QTRY_COMPARE(recognizer->cancellations.load(), 1);
        QTest::qWait(50);
        QCOMPARE(finished.size(), 0);
    }
    // Destroyed while running: the worker is told to stop and nothing is delivered.
    {
        auto recognition = std::make_unique<PictureTextRecognition>(recognizer);
        recognition->start(blankImage());
        QTRY_COMPARE(recognizer->calls.load(), 2);
        recognition.reset();
    }
    QTRY_COMPARE(recognizer->cancellations.load(), 2);
}

QTEST_GUILESS_MAIN(TestPictureTextRecognition)
#include "test_picturetextrecognition.moc"
