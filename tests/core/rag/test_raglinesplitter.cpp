#include "rag/ragline.h"
#include "rag/raglinesplitter.h"
#include "support/isolatedhome.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

using namespace tovik;

namespace {

QStringList splitInPieces(const QByteArray &bytes, const QList<qsizetype> &cuts)
{
    RagLineSplitter splitter;
    QStringList lines;
    const auto sink = [&lines](QString &&line) { lines.append(std::move(line)); };
    qsizetype from = 0;
    for (qsizetype cut : cuts) {
        splitter.feed(QByteArrayView(bytes).sliced(from, cut - from), sink);
        from = cut;
    }
    splitter.feed(QByteArrayView(bytes).sliced(from), sink);
    splitter.finish(sink);
    return lines;
}

// Reference: decode everything at once, then split on the terminators.
QStringList oracle(const QByteArray &bytes)
{
    static const QRegularExpression terminators(QStringLiteral("[\\n\\v\\f\\r\\x{0085}\\x{2028}\\x{2029}]"));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    return QString(decoder.decode(bytes)).split(terminators, Qt::SkipEmptyParts);
}

} // namespace

class TestRagLineSplitter : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void splitsAtEveryTerminator_data();
    void splitsAtEveryTerminator();
    void asciiAfterSplitInvalidSequenceIsKept();
    void agreesWithWholeInputDecodingForRandomPieces();
    void longLineInManyPiecesIsOneLine();
    void lineThatIsAllTheBufferIsHandedOver();
    void runsHoldTheSameLinesAsSingleLines();
    void singleLineIsNoRun();
};

void TestRagLineSplitter::splitsAtEveryTerminator_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("cr only") << QByteArray("a\rb\rc") << QStringList{"a", "b", "c"};
    QTest::newRow("crlf once") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("vt ff") << QByteArray("a\vb\fc") << QStringList{"a", "b", "c"};
    QTest::newRow("nel ls ps") << QByteArray("a\xc2\x85" "b\xe2\x80\xa8" "c\xe2\x80\xa9" "d")
                               << QStringList{"a", "b", "c", "d"};
    QTest::newRow("empty lines skipped") << QByteArray("\n\n a \n\r\n\r\r\n\n") << QStringList{" a "};
    QTest::newRow("last line without end") << QByteArray("x\ny") << QStringList{"x", "y"};
    QTest::newRow("nothing") << QByteArray() << QStringList{};
    QTest::newRow("invalid byte") << QByteArray("a\xff" "b\n") << QStringList{QStringLiteral("a\uFFFDb")};
    // One replacement per byte of a cut-off character, as when decoding all at once.
    QTest::newRow("truncated at the end") << QByteArray("end \xe2\x82") << QStringList{QStringLiteral("end \uFFFD\uFFFD")};
    QTest::newRow("four-byte character") << QByteArray("\xf0\x9f\x98\x80!") << QStringList{QStringLiteral("\U0001F600!")};
    QTest::newRow("chinese") << QByteArray("[來源: 報告.pdf p. 3]\n") << QStringList{QStringLiteral("[來源: 報告.pdf p. 3]")};
}

void TestRagLineSplitter::splitsAtEveryTerminator()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QCOMPARE(splitInPieces(bytes, {}), expected);
    // Every single cut point, and one byte at a time, give the same lines.
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut)
        QCOMPARE(splitInPieces(bytes, {cut}), expected);
    QList<qsizetype> everyByte;
    for (qsizetype i = 1; i < bytes.size(); ++i)
        everyByte.append(i);
    QCOMPARE(splitInPieces(bytes, everyByte), expected);
}

void TestRagLineSplitter::asciiAfterSplitInvalidSequenceIsKept()
{
    // A character cut off by an ASCII byte in the next piece: the ASCII byte survives.
    QCOMPARE(splitInPieces(QByteArray("x\xc3" "A\ny"), {2}), (QStringList{QStringLiteral("x\uFFFDA"), "y"}));
    QCOMPARE(splitInPieces(QByteArray("x\xe2\x82\ny"), {3}), (QStringList{QStringLiteral("x\uFFFD\uFFFD"), "y"}));
    QCOMPARE(splitInPieces(QByteArray("caf\xc3\xa9\n"), {4}), QStringList{QStringLiteral("café")});
}

void TestRagLineSplitter::agreesWithWholeInputDecodingForRandomPieces()
{
    const QList<QByteArray> atoms = {"a", "Z", " ", "\n", "\r", "\r\n", "\v", "\f", "\xc2\x85", "\xe2\x80\xa8",
                                     "\xe2\x80\xa9", "\xc3\xa9", "\xe4\xb8\xad", "\xf0\x9f\x98\x80", "\xff", "\x80",
                                     "\xc3", "\xe2\x82", "\xf0\x9f\x98", "\xed\xa0\x80", "\xc0\x80"};
    QRandomGenerator random(20240611);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        const int count = random.bounded(1, 40);
        for (int i = 0; i < count; ++i)
            bytes += atoms[random.bounded(int(atoms.size()))];
        QList<qsizetype> cuts;
        for (qsizetype at = random.bounded(1, 4); at < bytes.size(); at += random.bounded(1, 5))
            cuts.append(at);
        QCOMPARE(splitInPieces(bytes, cuts), oracle(bytes));
    }
}

void TestRagLineSplitter::longLineInManyPiecesIsOneLine()
{
    RagLineSplitter splitter;
    QStringList lines;
    const auto sink = [&lines](QString &&line) { lines.append(std::move(line)); };
    const QByteArray piece(4096, 'q');
    for (int i = 0; i < 2048; ++i)
        splitter.feed(piece, sink);
    QVERIFY(lines.isEmpty());
    splitter.feed("\ntail", sink);
    splitter.finish(sink);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0].size(), 4096 * 2048);
    QCOMPARE(lines[1], QStringLiteral("tail"));
}

void TestRagLineSplitter::lineThatIsAllTheBufferIsHandedOver()
{
    // The lines taken so far are handed on in the buffer that holds them, and the
    // unfinished rest goes on in a buffer of its own: a huge line costs no second copy.
    RagLineSplitter splitter;
    splitter.feed("first\nsec");
    QStringView line;
    QVERIFY(splitter.next(line));
    const QChar *firstAt = line.data();
    QVERIFY(!splitter.next(line));
    const QString firstBuffer = splitter.takeBuffer();
    QCOMPARE(firstBuffer.constData(), firstAt);
    QVERIFY(firstBuffer.startsWith(QStringLiteral("first")));

    splitter.feed("ond\n");
    QVERIFY(splitter.next(line));
    QCOMPARE(line, QStringLiteral("second"));
    const QChar *secondAt = line.data();
    QString secondBuffer = splitter.takeBuffer();
    QCOMPARE(secondBuffer.constData(), secondAt);
    const QString second = RagLine(QStringView(secondBuffer).first(6), &secondBuffer).take();
    QCOMPARE(second, QStringLiteral("second"));
    QCOMPARE(second.constData(), secondAt);

    // The reader goes on with a buffer of its own; a line with no whole buffer is copied.
    splitter.feed("third");
    splitter.finish();
    QVERIFY(splitter.next(line));
    QCOMPARE(line, QStringLiteral("third"));
    const QString third = RagLine(line).take();
    QVERIFY(third.constData() != line.data());
    QVERIFY(!splitter.next(line));
    QCOMPARE(second, QStringLiteral("second"));
    QCOMPARE(third, QStringLiteral("third"));
}

void TestRagLineSplitter::runsHoldTheSameLinesAsSingleLines()
{
    // Lines taken in runs where they can be, one by one elsewhere, come out as next()
    // alone gives them; every run is two or more plain lines, each ending with LF.
    const QList<QByteArray> atoms = {"a", "I", "E", "x", "INFO ", " ", "\n", "\n", "\n", "\n", "\r", "\r\n",
                                     "\v", "\xc2\x85", "\xe2\x80\xa8", "\xe4\xb8\xad", "\xf0\x9f\x98\x80",
                                     "\xe2\x82", "\xff"};
    const RagLineSplitter::RunStops stops(QLatin1StringView("IE"));
    QRandomGenerator random(20261209);
    int runs = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        const int count = random.bounded(1, 80);
        for (int i = 0; i < count; ++i)
            bytes += atoms[random.bounded(int(atoms.size()))];
        RagLineSplitter splitter;
        QStringList lines;
        const auto take = [&] {
            QStringView view;
            for (;;) {
                if (splitter.nextRun(view, stops)) {
                    ++runs;
                    QVERIFY2(view.endsWith(u'\n'), qPrintable(view.toString()));
                    const QStringList inRun = view.chopped(1).toString().split(QLatin1Char('\n'));
                    QVERIFY(inRun.size() >= 2);
                    for (const QString &line : inRun) {
                        QVERIFY(!line.isEmpty());
                        QVERIFY(!line.startsWith(u'I') && !line.startsWith(u'E'));
                        QVERIFY(!line.contains(QRegularExpression(QStringLiteral("[\\v\\f\\r\\x{0085}\\x{2028}]"))));
                    }
                    lines += inRun;
                } else if (splitter.next(view)) {
                    lines.append(view.toString());
                } else {
                    return;
                }
            }
        };
        qsizetype from = 0;
        while (from < bytes.size()) {
            const qsizetype piece = std::min<qsizetype>(bytes.size() - from, random.bounded(1, 40));
            splitter.feed(QByteArrayView(bytes).sliced(from, piece));
            from += piece;
            take();
        }
        splitter.finish();
        take();
        QCOMPARE(lines, oracle(bytes));
    }
    QVERIFY2(runs > 300, qPrintable(QString::number(runs)));
}

void TestRagLineSplitter::singleLineIsNoRun()
{
    // One line alone goes by next(), where a huge one can be handed over without a copy;
    // a run stops before a line that may not join it, and before an unfinished line.
    const RagLineSplitter::RunStops stops(QLatin1StringView("I"));
    RagLineSplitter splitter;
    QStringView view;
    splitter.feed("only\n");
    QVERIFY(!splitter.nextRun(view, stops));
    QVERIFY(splitter.next(view));
    QCOMPARE(view, QStringLiteral("only"));

    splitter.feed("one\ntwo\nINFO x\nthree\nfour\nfive\nsi");
    QVERIFY(splitter.nextRun(view, stops));
    QCOMPARE(view, QStringLiteral("one\ntwo\n"));
    QVERIFY(!splitter.nextRun(view, stops));
    QVERIFY(splitter.next(view));
    QCOMPARE(view, QStringLiteral("INFO x"));
    QVERIFY(splitter.nextRun(view, stops));
    QCOMPARE(view, QStringLiteral("three\nfour\nfive\n"));
    QVERIFY(!splitter.nextRun(view, stops));
    QVERIFY(!splitter.next(view));
    splitter.feed("x\nseven\n");
    QVERIFY(splitter.nextRun(view, stops));
    QCOMPARE(view, QStringLiteral("six\nseven\n"));

    // A run's lines are scanned sixteen characters at a time: every terminator is seen
    // wherever it falls in such a step.
    const QList<QByteArray> terminators = {"\r", "\v", "\f", "\xc2\x85", "\xe2\x80\xa8", "\xe2\x80\xa9"};
    for (const QByteArray &terminator : terminators) {
        for (int at = 0; at < 34; ++at) {
            RagLineSplitter split;
            split.feed(QByteArray("first\n") + QByteArray(at, 'm') + terminator + "n\nlast\nend\n");
            QStringList lines;
            for (;;) {
                if (split.nextRun(view, stops))
                    lines += view.chopped(1).toString().split(QLatin1Char('\n'));
                else if (split.next(view))
                    lines.append(view.toString());
                else
                    break;
            }
            QStringList expected = {QStringLiteral("first")};
            if (at > 0)
                expected.append(QString(at, u'm'));
            expected += {QStringLiteral("n"), QStringLiteral("last"), QStringLiteral("end")};
            QCOMPARE(lines, expected);
        }
    }
}

QTEST_GUILESS_MAIN(TestRagLineSplitter)
#include "test_raglinesplitter.moc"
