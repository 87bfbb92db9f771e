#include "preview/answercitationcount.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "support/isolatedhome.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tovik;

class TestAnswerCitationCount : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void followsAppendsAndReplacements();
    void hugeAppendIsReadOverSeveralTurns();
};

void TestAnswerCitationCount::followsAppendsAndReplacements()
{
    RagSettings settings;
    RagSession session(&settings);
    AnswerCitationCount count(session);
    QSignalSpy changed(&count, &AnswerCitationCount::countChanged);

    // A marker cut between two appends is not a marker: each line is whole.
    session.appendAnswerLine(u"First [來源: a.pdf p. 3] and [來源: a.pdf p. 3] again.");
    QCOMPARE(count.count(), 1);
    session.appendAnswerLine(u"Then [來源: b.pdf p. 1], [來源: a.pdf p. 2].");
    QCOMPARE(count.count(), 3);
    QCOMPARE(changed.count(), 2);
    session.appendAnswerLine(u"Nothing cited here.");
    QCOMPARE(changed.count(), 2); // no change, no signal

    // A text set anew is read from its start, not added to what was read, even when it
    // is longer.
    session.setAnswerText(QStringLiteral("Saved [來源: c.pdf p. 9]\n") + QString(200, QLatin1Char('z')));
    QCOMPARE(count.count(), 1);
    session.setAnswerText(QString());
    QCOMPARE(count.count(), 0);
    QCOMPARE(changed.count(), 4);
}

void TestAnswerCitationCount::hugeAppendIsReadOverSeveralTurns()
{
    RagSettings settings;
    RagSession session(&settings);
    AnswerCitationCount count(session);
    // One line over two turns' worth, a marker at its start, across the first turn's end
    // and at its end.
    const qsizetype turn = AnswerCitationCount::charactersPerTurn;
    QString line = QStringLiteral("[來源: a.pdf p. 1]");
    line.append(QString(turn - line.size() - 5, QLatin1Char('x')));
    line.append(QStringLiteral("[來源: b.pdf p. 2]"));
    line.append(QString(turn, QLatin1Char('y')));
    line.append(QStringLiteral("[來源: c.pdf p. 3]"));
    session.appendAnswerLine(line);
    QCOMPARE(count.count(), 1);
    QVERIFY(!count.isCaughtUp());
    QTRY_VERIFY(count.isCaughtUp());
    QCOMPARE(count.count(), 3);
}

QTEST_GUILESS_MAIN(TestAnswerCitationCount)
#include "test_answercitationcount.moc"
