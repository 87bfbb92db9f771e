// The ingest tool's recognizer: every worker thread that starts an engine keeps
// Tesseract's OpenMP loops to itself, as the app does (parallel loops on top of one
// engine per worker made scanned pages several times slower), and still reads text.
#include "ocrengine.h"
#include "ocr/openmplimit.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <thread>

class TestRagToolOcrEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachWorkerEngineRunsOnItsOwnThreadOnly();
};

void TestRagToolOcrEngine::eachWorkerEngineRunsOnItsOwnThreadOnly()
{
    if (tovik::openMPActiveLevels() < 0)
        QSKIP("this Tesseract has no OpenMP runtime");
    QImage page(900, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(40);
        painter.setFont(font);
        painter.drawText(30, 110, QStringLiteral("Warehouse inspection"));
    }
    int levelsBefore = -2;
    int levelsAfter = -2;
    QString text;
    QString error;
    bool started = false;
    std::thread worker([&] {
        levelsBefore = tovik::openMPActiveLevels();
        ragtool::OcrEngine engine;
        started = engine.start(&error);
        levelsAfter = tovik::openMPActiveLevels();
        if (started)
            text = engine.recognize(page, 150);
    });
    worker.join();
    QVERIFY2(started, qPrintable(error));
    QVERIFY(levelsBefore != 0); // a new thread starts unlimited...
    QCOMPARE(levelsAfter, 0);   // ...and its engine limits it
    QVERIFY2(text.contains(QStringLiteral("inspection")), qPrintable(text));
}

QTEST_MAIN(TestRagToolOcrEngine)
#include "test_ragtool_ocrengine.moc"
