#include "preview/previewocrcache.h"
#include "system/whenfinished.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace tovik;

namespace {

// Counts its calls and holds each one until the test lets it go (or the caller
// cancels), so that callers can ask again while a recognition is running.
class GatedRecognizer final : public TextRecognizer
{
public:
    std::optional<QList<TextObservation>> recognize(const QImage &image, const TextRecognitionRequest &,
                                                    const std::atomic_bool *cancelled) const override
    {
        ++calls;
        while (!gate.tryAcquire(1, 10)) {
            if (cancelled && cancelled->load())
                return std::nullopt;
        }
        if (fail)
            return std::nullopt;
        const QString text = QStringLiteral("w%1").arg(image.width());
        return QList<TextObservation>{{text, QRectF(0.1, 0.8, 0.2, 0.05), {}}};
    }

    mutable std::atomic_int calls = 0;
    mutable QSemaphore gate;
    std::atomic_bool fail = false;
};

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QImage imageOfWidth(int width)
{
    QImage image(width, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

class TestPreviewOCRCache : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void textKeyJoinsFilenameAndPage();
    void concurrentAsksShareOneRecognition();
    void everyWaiterOnOneRecognitionIsServedOnce();
    void sameNameFromAnotherFileIsRecognizedAgain();
    void failuresAreStoredEmptyAndNotRetried();
    void imageWithoutPixelsIsEmptyWithoutRecognizing();
    void closingWhileRecognizingCancels();
};

void TestPreviewOCRCache::textKeyJoinsFilenameAndPage()
{
    QCOMPARE(PreviewOCRCache::textKey(QStringLiteral("report.pdf"), 12), QStringLiteral("report.pdf\u001E12"));
}

void TestPreviewOCRCache::concurrentAsksShareOneRecognition()
{
    auto recognizer = std::make_shared<GatedRecognizer>();
    PreviewOCRCache cache(recognizer);
    QSignalSpy ready(&cache, &PreviewOCRCache::previewOCRReady);
    const QString key = PreviewOCRCache::textKey(QStringLiteral("scan.pdf"), 1);

    QFuture<RecognizedPageText> first = cache.text(key, {}, imageOfWidth(100));
    QFuture<RecognizedPageText> second = cache.text(key, {}, imageOfWidth(300)); // same key: shares the first
    QVERIFY(cache.isRecognizing(key, {}));
    QVERIFY(!cache.cachedText(key, {}));
    QFuture<RecognizedPageText> other =
        cache.text(PreviewOCRCache::textKey(QStringLiteral("scan.pdf"), 2), {}, imageOfWidth(7));

    QTRY_VERIFY(recognizer->calls.load() >= 1);
    recognizer->gate.release(2);
    QTRY_VERIFY(first.isFinished() && second.isFinished() && other.isFinished());

    QCOMPARE(recognizer->calls.load(), 2);
    QCOMPARE(first.result().text(), QStringLiteral("w100"));
    QCOMPARE(second.result(), first.result());
    QCOMPARE(other.result().text(), QStringLiteral("w7"));
    QCOMPARE(ready.size(), 2);
    QVERIFY(ready.contains(QVariantList{key}));
    QVERIFY(!cache.isRecognizing(key, {}));
    QCOMPARE(*cache.cachedText(key, {}), first.result());

    // Stored: answered at once, nothing recognized again, no new notification.
    QFuture<RecognizedPageText> again = cache.text(key, {}, imageOfWidth(500));
    QVERIFY(again.isFinished());
    QCOMPARE(again.result().text(), QStringLiteral("w100"));
    QCOMPARE(recognizer->calls.load(), 2);
    QCOMPARE(ready.size(), 2);
}

void TestPreviewOCRCache::everyWaiterOnOneRecognitionIsServedOnce()
{
    auto recognizer = std::make_shared<GatedRecognizer>();
    PreviewOCRCache cache(recognizer);
    const QString two = PreviewOCRCache::textKey(QStringLiteral("scan.pdf"), 1);
    const QString three = PreviewOCRCache::textKey(QStringLiteral("scan.pdf"), 2);
    QStringList served;
    const auto waitFor = [&](const QString &key, int width, QObject *context, const QString &name) {
        whenFinished(cache.text(key, {}, imageOfWidth(width)), context, [&served, name](const RecognizedPageText &text) {
            served.append(name + QLatin1Char(' ') + text.text());
        });
    };

    // Two waiters on one page; three on another, the second of which goes away
    // before its text is there.
    QObject view, find, lateView, firstOfThree, thirdOfThree;
    auto goneView = std::make_unique<QObject>();
    waitFor(two, 10, &view, QStringLiteral("view"));
    waitFor(two, 11, &find, QStringLiteral("find"));
    waitFor(three, 20, &firstOfThree, QStringLiteral("first"));
    waitFor(three, 21, goneView.get(), QStringLiteral("gone"));
    waitFor(three, 22, &thirdOfThree, QStringLiteral("third"));
    QVERIFY(cache.isRecognizing(two, {}) && cache.isRecognizing(three, {}));
    goneView.reset();

    recognizer->gate.release(2);
    QTRY_COMPARE(served.size(), 4);
    served.sort();
    QCOMPARE(served, (QStringList{QStringLiteral("find w10"), QStringLiteral("first w20"),
                                  QStringLiteral("third w20"), QStringLiteral("view w10")}));

    // Asked again once stored: served from the cache, once.
    waitFor(two, 12, &lateView, QStringLiteral("late"));
    QTRY_COMPARE(served.size(), 5);
    QCOMPARE(served.last(), QStringLiteral("late w10"));
    QCOMPARE(recognizer->calls.load(), 2);
}

void TestPreviewOCRCache::sameNameFromAnotherFileIsRecognizedAgain()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a")) && QDir(dir.path()).mkpath(QStringLiteral("b")));
    const QString inA = dir.filePath(QStringLiteral("a/scan.pdf"));
    const QString inB = dir.filePath(QStringLiteral("b/scan.pdf"));
    QVERIFY(writeFile(inA, "first scan") && writeFile(inB, "another scan"));
    auto recognizer = std::make_shared<GatedRecognizer>();
    recognizer->gate.release(10);
    PreviewOCRCache cache(recognizer);
    QSignalSpy ready(&cache, &PreviewOCRCache::previewOCRReady);
    const QString key = PreviewOCRCache::textKey(QStringLiteral("scan.pdf"), 1);

    // Two corpora, each with its own scan.pdf: page 1 of each is read for itself.
    QFuture<RecognizedPageText> fromA = cache.text(key, inA, imageOfWidth(10));
    QFuture<RecognizedPageText> fromB = cache.text(key, inB, imageOfWidth(20));
    QTRY_VERIFY(fromA.isFinished() && fromB.isFinished());
    QCOMPARE(fromA.result().text(), QStringLiteral("w10"));
    QCOMPARE(fromB.result().text(), QStringLiteral("w20"));
    QCOMPARE(cache.cachedText(key, inB)->text(), QStringLiteral("w20"));
    QCOMPARE(ready.size(), 2);
    QCOMPARE(ready.at(1), QVariantList{key}); // views still compare the page's text key

    // a/scan.pdf replaced on disk: first by one of the same size but a later time,
    // then by one of another size with the first time back.
    QFile file(inA);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime written = file.fileTime(QFileDevice::FileModificationTime);
    QVERIFY(file.setFileTime(written.addSecs(60), QFileDevice::FileModificationTime));
    QVERIFY(!cache.cachedText(key, inA));
    QFuture<RecognizedPageText> touched = cache.text(key, inA, imageOfWidth(30));
    QTRY_VERIFY(touched.isFinished());
    QCOMPARE(touched.result().text(), QStringLiteral("w30"));
    QVERIFY(file.write("a longer scan") > 0 && file.flush());
    QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(!cache.cachedText(key, inA));
    QFuture<RecognizedPageText> resized = cache.text(key, inA, imageOfWidth(40));
    QTRY_VERIFY(resized.isFinished());
    QCOMPARE(resized.result().text(), QStringLiteral("w40"));

    // An unchanged file is still answered from the cache.
    QCOMPARE(cache.text(key, inB, imageOfWidth(50)).result().text(), QStringLiteral("w20"));
    QCOMPARE(recognizer->calls.load(), 4);
}

void TestPreviewOCRCache::failuresAreStoredEmptyAndNotRetried()
{
    auto recognizer = std::make_shared<GatedRecognizer>();
    recognizer->fail = true;
    recognizer->gate.release(10);
    PreviewOCRCache cache(recognizer);
    QSignalSpy ready(&cache, &PreviewOCRCache::previewOCRReady);
    const QString key = QStringLiteral("broken.pdf\u001E3");

    QFuture<RecognizedPageText> result = cache.text(key, {}, imageOfWidth(50));
    QTRY_VERIFY(result.isFinished());
    QVERIFY(result.result().isEmpty());
    QCOMPARE(ready.size(), 1);
    QVERIFY(cache.cachedText(key, {}));
    QVERIFY(cache.cachedText(key, {})->isEmpty());

    recognizer->fail = false;
    QVERIFY(cache.text(key, {}, imageOfWidth(50)).result().isEmpty());
    QCOMPARE(recognizer->calls.load(), 1);
}

void TestPreviewOCRCache::imageWithoutPixelsIsEmptyWithoutRecognizing()
{
    auto recognizer = std::make_shared<GatedRecognizer>();
    PreviewOCRCache cache(recognizer);
    QSignalSpy ready(&cache, &PreviewOCRCache::previewOCRReady);
    QFuture<RecognizedPageText> result = cache.text(QStringLiteral("a.pdf\u001E1"), {}, QImage());
    // Answered on a later turn of the event loop, like a real recognition.
    QCOMPARE(ready.size(), 0);
    QTRY_VERIFY(result.isFinished());
    QVERIFY(result.result().isEmpty());
    QCOMPARE(ready.size(), 1);
    QCOMPARE(recognizer->calls.load(), 0);
}

void TestPreviewOCRCache::closingWhileRecognizingCancels()
{
    auto recognizer = std::make_shared<GatedRecognizer>();
    QFuture<RecognizedPageText> pending;
    {
        PreviewOCRCache cache(recognizer);
        pending = cache.text(QStringLiteral("slow.pdf\u001E1"), {}, imageOfWidth(10));
        QTRY_COMPARE(recognizer->calls.load(), 1);
    } // never released: only the cancellation ends the recognizer's wait
    QVERIFY(pending.isFinished());
    QVERIFY(pending.result().isEmpty());
}

QTEST_GUILESS_MAIN(TestPreviewOCRCache)
#include "test_previewocrcache.moc"
