#include "preview/citations.h"
#include "preview/streamingcitations.h"
#include "support/isolatedhome.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace tovik;

// StreamingCitations must give exactly what citedPages gives for the whole text, fed
// in any pieces: citedPages is the oracle.
class TestStreamingCitations : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void matchesWholeTextFedInPieces_data();
    void matchesWholeTextFedInPieces();
    void randomAnswersInRandomPieces();
    void replacedAnswerStartsOver();
};

void TestStreamingCitations::matchesWholeTextFedInPieces_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("plain lines") << QStringLiteral("First point [來源: a.pdf p. 3]\nSecond [來源: b.pdf p. 1] and "
                                                   "[來源: a.pdf p. 2]\nAgain [來源: a.pdf p. 3]\n");
    // A marker may span lines in its white space.
    QTest::newRow("marker over a line break") << QStringLiteral("See [來源:\na.pdf\np. 7] then [來源： b.pdf p.\n8]\n");
    // The outer match swallows the inner marker and is then rejected for its "[":
    // reading the inner marker on its own would wrongly cite it.
    QTest::newRow("nested opener") << QStringLiteral("x [來源: [來源: c.pdf p. 1] y [來源: d.pdf p. 2]\n");
    QTest::newRow("stray brackets") << QStringLiteral("[1] note [see] [來源: e.pdf p. 4] [ unclosed [來源: f.pdf p. 5]");
    QTest::newRow("case and suffix") << QStringLiteral("[來源: g.pdf P. 9 ff.] [來源: g.pdf p. 09]");
    QTest::newRow("no markers") << QStringLiteral("Nothing cited here.\nStill nothing.\n");
}

void TestStreamingCitations::matchesWholeTextFedInPieces()
{
    QFETCH(QString, answer);
    const QList<CitedPage> expected = citedPages(answer);
    // Every split point, one character at a time, and line by line.
    StreamingCitations byCharacter;
    for (qsizetype end = 0; end <= answer.size(); ++end)
        QCOMPARE(byCharacter.pages(answer.left(end)), citedPages(answer.left(end)));
    QCOMPARE(byCharacter.pages(answer), expected);

    StreamingCitations byLine;
    QString grown;
    for (const QString &line : answer.split(QLatin1Char('\n'))) {
        grown += line + QLatin1Char('\n');
        QCOMPARE(byLine.pages(grown), citedPages(grown));
    }
    // Asking again for the same text changes nothing.
    QCOMPARE(byLine.pages(grown), byLine.pages(grown));
}

void TestStreamingCitations::randomAnswersInRandomPieces()
{
    const QStringList pieces{QStringLiteral("[來源: a.pdf p. 1]"), QStringLiteral("[來源: b.pdf p. 2]"),
                             QStringLiteral("[來源:"),            QStringLiteral(" c.pdf"),
                             QStringLiteral(" p. 3]"),            QStringLiteral("["),
                             QStringLiteral("]"),                 QStringLiteral("\n"),
                             QStringLiteral("text "),             QStringLiteral("[來源: a.pdf p. 4]"),
                             QStringLiteral("p. 5]"),             QStringLiteral("來源")};
    QRandomGenerator random(20240501);
    for (int round = 0; round < 200; ++round) {
        QString answer;
        StreamingCitations streaming;
        StreamingCitations appended; // told only the new end, as a view that sees the appends
        for (int step = 0; step < 40; ++step) {
            const QString &piece = pieces[random.bounded(int(pieces.size()))];
            answer += piece;
            appended.append(piece);
            const QList<CitedPage> expected = citedPages(answer);
            QCOMPARE(streaming.pages(answer), expected);
            QCOMPARE(appended.pages(), expected);
            QCOMPARE(appended.count(), expected.size());
        }
    }
}

void TestStreamingCitations::replacedAnswerStartsOver()
{
    StreamingCitations streaming;
    QCOMPARE(streaming.pages(QStringLiteral("[來源: a.pdf p. 1]\n[來源: b.pdf p. 2]\n")).size(), 2);
    // A new question: the text no longer starts with what was read.
    const QString next = QStringLiteral("[來源: c.pdf p. 3]\n");
    QCOMPARE(streaming.pages(next), citedPages(next));
    QCOMPARE(streaming.pages(QString()), QList<CitedPage>());
    // Shorter than what was settled, with the same beginning.
    QCOMPARE(streaming.pages(QStringLiteral("[來源: c.pdf")), QList<CitedPage>());
}

QTEST_GUILESS_MAIN(TestStreamingCitations)
#include "test_streamingcitations.moc"
