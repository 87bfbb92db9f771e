#include "ocr/cachingtextrecognizer.h"
#include "ocr/recognizedtextstore.h"
#include "ocr/tesseracttextrecognizer.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>
#include <limits>

using namespace tovik;

namespace {

// Answers with two fixed lines, counting its calls.
class CountingRecognizer final : public TextRecognizer
{
public:
    explicit CountingRecognizer(QString identity)
        : m_identity(std::move(identity))
    {
    }
    std::optional<QList<TextObservation>> recognize(const QImage &, const TextRecognitionRequest &,
                                                    const std::atomic_bool *) const override
    {
        ++calls;
        return lines();
    }
    QString identity() const override { return m_identity; }

    static QList<TextObservation> lines()
    {
        TextObservation first{QStringLiteral("報告 page"), QRectF(0.1, 0.8, 0.5, 0.05), {}};
        first.symbols = {{0, 1, QRectF(0.1, 0.8, 0.05, 0.05)}, {1, 1, QRectF(0.15, 0.8, 0.05, 0.05)},
                         {2, 1, QRectF(0.2, 0.8, 0.02, 0.05)}, {3, 4, QRectF(0.22, 0.8, 0.2, 0.05)}};
        return {first, TextObservation{QStringLiteral("second line"), QRectF(0.1, 0.7, 0.4, 0.05), {}}};
    }

    mutable int calls = 0;

private:
    QString m_identity;
};

QImage page(QRgb ink = qRgb(0, 0, 0))
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(10, 10, ink);
    return image;
}

QString entryPath(const RecognizedTextStore &store, const QImage &image, const QString &identity)
{
    return store.directory() + QLatin1Char('/')
        + QString::fromLatin1(CachingTextRecognizer::keyFor(image, {}, identity)) + QStringLiteral(".ocr");
}

bool overwrite(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void setAge(const QString &path, int secondsAgo)
{
    const timespec when{::time(nullptr) - secondsAgo, 0};
    const timespec times[2] = {when, when};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

} // namespace

class TestRecognizedTextStore : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void keptAcrossRunsUnderEverythingResultsDependOn();
    void damagedOrForeignEntriesAreReadAgainAndReplaced();
    void entriesWithImpossibleValuesAreRefused();
    void leastRecentlyUsedGoOverTheLimit();
    void whatIsNotAnAnswerIsNotKept();
    void scannedTextComesBackExactlyFromDisk();
};

void TestRecognizedTextStore::keptAcrossRunsUnderEverythingResultsDependOn()
{
    QTemporaryDir folder;
    const auto engine = std::make_shared<CountingRecognizer>(QStringLiteral("engine 1"));
    const QImage image = page();
    {
        CachingTextRecognizer recognizer(engine, std::make_shared<RecognizedTextStore>(folder.path()));
        QCOMPARE(recognizer.recognize(image, {}), CountingRecognizer::lines());
        QCOMPARE(engine->calls, 1);
    }
    // A later run: a new store on the same folder answers without the engine.
    CachingTextRecognizer later(engine, std::make_shared<RecognizedTextStore>(folder.path()));
    QCOMPARE(later.recognize(image, {}), CountingRecognizer::lines());
    QCOMPARE(engine->calls, 1);

    // The same pixels with other bytes in the row padding are the same image.
    const qsizetype stride = image.bytesPerLine() + 16;
    QByteArray padded(stride * image.height(), '\x7f');
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(padded.data() + y * stride, image.constScanLine(y), size_t(image.bytesPerLine()));
    const QImage samePixels(reinterpret_cast<const uchar *>(padded.constData()), image.width(), image.height(),
                            stride, QImage::Format_RGB32);
    QCOMPARE(later.recognize(samePixels, {}), CountingRecognizer::lines());
    QCOMPARE(engine->calls, 1);

    // Another pixel, another request or another engine version is read anew.
    later.recognize(page(qRgb(0, 0, 1)), {});
    QCOMPARE(engine->calls, 2);
    TextRecognitionRequest englishOnly;
    englishOnly.languages = {QStringLiteral("en-US")};
    later.recognize(image, englishOnly);
    QCOMPARE(engine->calls, 3);
    const auto upgraded = std::make_shared<CountingRecognizer>(QStringLiteral("engine 2"));
    CachingTextRecognizer(upgraded, std::make_shared<RecognizedTextStore>(folder.path())).recognize(image, {});
    QCOMPARE(upgraded->calls, 1);
}

void TestRecognizedTextStore::damagedOrForeignEntriesAreReadAgainAndReplaced()
{
    QTemporaryDir folder;
    const auto engine = std::make_shared<CountingRecognizer>(QStringLiteral("engine 1"));
    const auto store = std::make_shared<RecognizedTextStore>(folder.path());
    CachingTextRecognizer recognizer(engine, store);
    const QImage image = page();
    recognizer.recognize(image, {});
    const QString path = entryPath(*store, image, engine->identity());
    const QByteArray intact = contents(path);
    QVERIFY(!intact.isEmpty());

    int expectedCalls = 1;
    const auto readAgainAndRepaired = [&](const char *what) {
        QCOMPARE(recognizer.recognize(image, {}), CountingRecognizer::lines());
        ++expectedCalls;
        QVERIFY2(engine->calls == expectedCalls, what);
        QVERIFY2(contents(path) == intact, what); // replaced by a good entry
    };
    QVERIFY(overwrite(path, intact.first(intact.size() / 2)));
    readAgainAndRepaired("cut short");
    QByteArray flipped = intact;
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x01);
    QVERIFY(overwrite(path, flipped));
    readAgainAndRepaired("one bit changed");
    QVERIFY(overwrite(path, QByteArray()));
    readAgainAndRepaired("empty");
    QVERIFY(overwrite(path, QByteArray(4096, '\xff')));
    readAgainAndRepaired("noise");

    // A good entry of another image, filed under this image's name.
    const QImage other = page(qRgb(0, 0, 1));
    recognizer.recognize(other, {});
    ++expectedCalls;
    QVERIFY(overwrite(path, contents(entryPath(*store, other, engine->identity()))));
    readAgainAndRepaired("another key's entry");

    // A pipe where an entry should be is never opened (it would block).
    QVERIFY(QFile::remove(path));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    QCOMPARE(recognizer.recognize(image, {}), CountingRecognizer::lines());
    QCOMPARE(engine->calls, expectedCalls + 1);
}

// Intact entries (the digest matches) whose values no recognizer gives: a symbol past
// its line's text, one whose end overflows, a box of negative size or not a number.
void TestRecognizedTextStore::entriesWithImpossibleValuesAreRefused()
{
    const QByteArray key(64, 'k');
    const QList<TextObservation> good = CountingRecognizer::lines();
    QCOMPARE(RecognizedTextStore::decode(key, RecognizedTextStore::encode(key, good)), good);
    const auto refused = [&](const std::function<void(TextObservation::Symbol &)> &spoil) {
        QList<TextObservation> lines = good;
        spoil(lines.first().symbols.last());
        return !RecognizedTextStore::decode(key, RecognizedTextStore::encode(key, lines)).has_value();
    };
    QVERIFY(refused([](auto &symbol) { symbol.length = 100; }));
    QVERIFY(refused([](auto &symbol) { symbol.location = -1; }));
    QVERIFY(refused([](auto &symbol) {
        symbol.location = std::numeric_limits<qint64>::max() - 2;
        symbol.length = 10;
    }));
    QVERIFY(refused([](auto &symbol) {
        symbol.location = 1;
        symbol.length = std::numeric_limits<qint64>::max();
    }));
    QVERIFY(refused([](auto &symbol) { symbol.bounds.setWidth(-0.5); }));
    QVERIFY(refused([](auto &symbol) { symbol.bounds.setX(std::numeric_limits<double>::quiet_NaN()); }));
    // And the same entry under another key.
    QVERIFY(!RecognizedTextStore::decode(QByteArray(64, 'j'), RecognizedTextStore::encode(key, good)));
}

void TestRecognizedTextStore::leastRecentlyUsedGoOverTheLimit()
{
    QTemporaryDir folder;
    const QList<TextObservation> lines = CountingRecognizer::lines();
    const qint64 entry = RecognizedTextStore::encode(QByteArray(64, 'a'), lines).size();
    RecognizedTextStore store(folder.path(), entry * 5 / 2); // room for two entries
    const QByteArray a(64, 'a'), b(64, 'b'), c(64, 'c');
    store.store(a, lines);
    store.store(b, lines);
    setAge(folder.filePath(QString::fromLatin1(a) + QStringLiteral(".ocr")), 300);
    setAge(folder.filePath(QString::fromLatin1(b) + QStringLiteral(".ocr")), 200);
    QVERIFY(store.find(a)); // a is used again: b is now the least recently used
    store.store(c, lines);
    QVERIFY(store.find(a));
    QVERIFY(!store.find(b));
    QVERIFY(store.find(c));
    QCOMPARE(store.sizeBytes(), 2 * entry);
    // A new store counts what is on disk.
    QCOMPARE(RecognizedTextStore(folder.path()).sizeBytes(), 2 * entry);
}

void TestRecognizedTextStore::whatIsNotAnAnswerIsNotKept()
{
    QTemporaryDir folder;
    const auto isEmpty = [&] { return QDir(folder.path()).entryList(QDir::Files | QDir::System).isEmpty(); };
    // No identity: the engine cannot say what its results depend on.
    const auto anonymous = std::make_shared<CountingRecognizer>(QString());
    CachingTextRecognizer passThrough(anonymous, std::make_shared<RecognizedTextStore>(folder.path()));
    passThrough.recognize(page(), {});
    passThrough.recognize(page(), {});
    QCOMPARE(anonymous->calls, 2);
    QVERIFY(isEmpty());
    // A read cancelled on the way.
    const auto engine = std::make_shared<CountingRecognizer>(QStringLiteral("engine 1"));
    CachingTextRecognizer recognizer(engine, std::make_shared<RecognizedTextStore>(folder.path()));
    const std::atomic_bool cancelled{true};
    recognizer.recognize(page(), {}, &cancelled);
    QVERIFY(isEmpty());
    // A store that cannot be written leaves recognition working.
    CachingTextRecognizer readOnly(engine, std::make_shared<RecognizedTextStore>(QStringLiteral("/proc/tovik-recognized")));
    QCOMPARE(readOnly.recognize(page(), {}), CountingRecognizer::lines());
}

// Real recognition: what comes back from disk is what the engine read, to the last box.
void TestRecognizedTextStore::scannedTextComesBackExactlyFromDisk()
{
    QTemporaryDir folder;
    QImage scan(900, 300, QImage::Format_RGB32);
    scan.fill(Qt::white);
    {
        QPainter painter(&scan);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(36);
        painter.setFont(font);
        painter.drawText(40, 110, QStringLiteral("Quarterly revenue rose 11%"));
        painter.drawText(40, 200, QStringLiteral("across every region."));
    }
    const auto engine = std::make_shared<TesseractTextRecognizer>(1);
    const std::optional<QList<TextObservation>> read =
        CachingTextRecognizer(engine, std::make_shared<RecognizedTextStore>(folder.path())).recognize(scan, {});
    QVERIFY(read && read->size() == 2);
    QVERIFY(read->first().text.contains(QStringLiteral("revenue")));
    const QByteArray key = CachingTextRecognizer::keyFor(scan, {}, engine->identity());
    QCOMPARE(RecognizedTextStore(folder.path()).find(key), read);
}

QTEST_MAIN(TestRecognizedTextStore)
#include "test_recognizedtextstore.moc"
