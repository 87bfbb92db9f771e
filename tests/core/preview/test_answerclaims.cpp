// The claims of an answer: which words each citation marker vouches for, read as the
// answer streams in, and the claim a click makes active.
#include "preview/answerclaims.h"
#include "preview/citations.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tovik;

namespace {

QStringList claimTexts(const AnswerClaims &claims)
{
    QStringList texts;
    for (const CitationClaim &claim : claims.claims())
        texts.append(claim.text);
    return texts;
}

} // namespace

class TestAnswerClaims : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void markersCarryTheirPlaceInTheAnswer();
    void claimRunsFromTheSentenceOrThePreviousMarker_data();
    void claimRunsFromTheSentenceOrThePreviousMarker();
    void streamingReadsOnlyTheNewEndAndFindsMarkersCutInTwo();
    void aReplacedAnswerStartsOver();
    void activatingAMarkerNotReadYetWaitsForIt();
    void claimsByPageAndBounds();
    void hugeAnswerIsReadOverSeveralTurns();
};

void TestAnswerClaims::markersCarryTheirPlaceInTheAnswer()
{
    const QString answer = QStringLiteral("Grew [來源: a.pdf p. 3] and fell [來源：b b.pdf P.12-14].");
    const QList<CitationMarker> markers = citationMarkers(answer, 100);
    QCOMPARE(markers.size(), 2);
    QCOMPARE(markers[0].filename, QStringLiteral("a.pdf"));
    QCOMPARE(markers[0].page, 3);
    QCOMPARE(answer.mid(markers[0].range.location - 100, markers[0].range.length), QStringLiteral("[來源: a.pdf p. 3]"));
    QCOMPARE(markers[1].filename, QStringLiteral("b b.pdf"));
    QCOMPARE(markers[1].page, 12);
    QCOMPARE(answer.mid(markers[1].range.location - 100, markers[1].range.length), QStringLiteral("[來源：b b.pdf P.12-14]"));
    // The same markers citedPages reads.
    QCOMPARE(citedPages(answer).size(), 2);
}

void TestAnswerClaims::claimRunsFromTheSentenceOrThePreviousMarker_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("sentence start is nearer")
        << QStringLiteral("Costs were flat. Revenue rose 18%. [來源: a.pdf p. 2] Margins held up [來源: a.pdf p. 3].")
        << QStringList{QStringLiteral("Revenue rose 18%."), QStringLiteral("Margins held up")};
    QTest::newRow("previous marker is nearer, within one sentence")
        << QStringLiteral("Sales grew in Taipei [來源: a.pdf p. 1] and in Tainan [來源: b.pdf p. 4].")
        << QStringList{QStringLiteral("Sales grew in Taipei"), QStringLiteral("and in Tainan")};
    QTest::newRow("markers side by side share the claim")
        << QStringLiteral("Online sales grew fastest [來源: a.pdf p. 2][來源: b.pdf p. 1], a third of revenue.")
        << QStringList{QStringLiteral("Online sales grew fastest"), QStringLiteral("Online sales grew fastest")};
    QTest::newRow("list items end at their line")
        << QStringLiteral("- Revenue rose [來源: a.pdf p. 2]\n- The Tamsui shop closed in May [來源: a.pdf p. 5]")
        << QStringList{QStringLiteral("- Revenue rose"), QStringLiteral("- The Tamsui shop closed in May")};
    QTest::newRow("Chinese sentences")
        << QStringLiteral("營收成長百分之十八。網路銷售成長最快[來源: 年報.pdf p. 2]。")
        << QStringList{QStringLiteral("網路銷售成長最快")};
    QTest::newRow("a marker at the very start vouches for nothing")
        << QStringLiteral("[來源: a.pdf p. 1] Then text.") << QStringList{QString()};
}

void TestAnswerClaims::claimRunsFromTheSentenceOrThePreviousMarker()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, expected);
    AnswerClaims claims;
    claims.follow(answer);
    QCOMPARE(claimTexts(claims), expected);
    for (const CitationClaim &claim : claims.claims())
        QCOMPARE(answer.mid(claim.range.location, claim.range.length), claim.text);
}

void TestAnswerClaims::streamingReadsOnlyTheNewEndAndFindsMarkersCutInTwo()
{
    const QString whole = QStringLiteral("Revenue rose 18 percent. [來源: a.pdf p. 2]\nOnline sales grew [來源: a.pdf p. 2] "
                                         "and gift boxes sold out [來源: b.pdf p. 1].");
    AnswerClaims streamed;
    QSignalSpy changed(&streamed, &AnswerClaims::claimsChanged);
    // Cut anywhere, markers included: the same claims as reading it at once.
    for (qsizetype end = 1; end <= whole.size(); end += 3)
        streamed.follow(whole.left(end));
    streamed.follow(whole);
    AnswerClaims atOnce;
    atOnce.follow(whole);
    QCOMPARE(streamed.claims(), atOnce.claims());
    QCOMPARE(streamed.claims().size(), 3);
    QCOMPARE(changed.count(), 3); // once per new claim, not once per read
}

void TestAnswerClaims::aReplacedAnswerStartsOver()
{
    AnswerClaims claims;
    claims.follow(QStringLiteral("Old claim [來源: a.pdf p. 1]."));
    claims.activateClaim(0);
    QCOMPARE(claims.activeClaim(), 0);
    QSignalSpy active(&claims, &AnswerClaims::activeClaimChanged);
    claims.follow(QStringLiteral("New answer, new claim [來源: b.pdf p. 7]."));
    QCOMPARE(claims.activeClaim(), -1);
    QCOMPARE(active.count(), 1);
    QCOMPARE(claims.claims().size(), 1);
    QCOMPARE(claims.claims()[0].marker.filename, QStringLiteral("b.pdf"));
    QVERIFY(claims.claimsOn(QStringLiteral("a.pdf"), 1).isEmpty());
}

void TestAnswerClaims::activatingAMarkerNotReadYetWaitsForIt()
{
    const QString answer = QStringLiteral("First [來源: a.pdf p. 1]. Second [來源: a.pdf p. 2].");
    const QList<CitationMarker> markers = citationMarkers(answer);
    AnswerClaims claims;
    claims.follow(answer.left(markers[1].range.location + 4));
    QSignalSpy active(&claims, &AnswerClaims::activeClaimChanged);
    claims.activateMarker(markers[1].range.location);
    QCOMPARE(claims.activeClaim(), -1);
    claims.follow(answer);
    QCOMPARE(claims.activeClaim(), 1);
    QCOMPARE(active.count(), 1);
    // The same claim again still counts as a new request to show it.
    const qint64 reveal = claims.reveal();
    claims.activateMarker(markers[1].range.location);
    QCOMPARE(claims.reveal(), reveal + 1);
    claims.activateClaim(99); // out of range: ignored
    QCOMPARE(claims.activeClaim(), 1);
}

void TestAnswerClaims::claimsByPageAndBounds()
{
    // Ten thousand markers, and a claim of 100 KB: each claim is read once and the text
    // kept for matching is bounded.
    QString answer;
    for (int i = 0; i < 10000; ++i)
        answer += QStringLiteral("Claim %1 [來源: a.pdf p. %2] ").arg(i).arg(i % 50 + 1);
    answer += QString(100000, QLatin1Char('x')) + QStringLiteral(" [來源: huge.pdf p. 1]");
    AnswerClaims claims;
    claims.follow(answer);
    // Read a few thousand markers per turn, so the window keeps answering.
    QCOMPARE(claims.claims().size(), AnswerClaims::markersPerTurn);
    QTRY_COMPARE(claims.claims().size(), 10001);
    QCOMPARE(claims.claimsOn(QStringLiteral("a.pdf"), 1).size(), 200);
    QCOMPARE(claims.claims()[claims.claimsOn(QStringLiteral("a.pdf"), 3).first()].text, QStringLiteral("Claim 2"));
    QVERIFY(claims.claims().last().text.size() <= AnswerClaims::maxClaimLength);
    QVERIFY(claims.claimsOn(QStringLiteral("a.pdf"), 51).isEmpty());
}

void TestAnswerClaims::hugeAnswerIsReadOverSeveralTurns()
{
    // 5 M characters at once: a marker near the start, one cut by the first turn's end,
    // one at the end, and an opening bracket that never closes in between.
    const qsizetype turn = AnswerClaims::charactersPerTurn;
    QString answer = QStringLiteral("Sales rose. [來源: a.pdf p. 1] ");
    answer += QString(turn - answer.size() - 20, QLatin1Char('x'));
    answer += QStringLiteral(" Cut here [來源: b.pdf p. 2] [unclosed ");
    answer += QString(turn + 100, QLatin1Char('y'));
    answer += QStringLiteral(". The end. [來源: c.pdf p. 3]");
    AnswerClaims claims;
    claims.follow(answer);
    QCOMPARE(claims.claims().size(), 1); // this turn's slice only
    QTRY_COMPARE(claims.claims().size(), 3);
    QList<qsizetype> starts;
    for (const CitationClaim &claim : claims.claims())
        starts.append(claim.marker.range.location);
    QList<qsizetype> expected;
    for (const CitationMarker &marker : citationMarkers(answer))
        expected.append(marker.range.location);
    QCOMPARE(starts, expected);
    QCOMPARE(claims.claims().last().text, QStringLiteral("The end."));
}

QTEST_GUILESS_MAIN(TestAnswerClaims)
#include "test_answerclaims.moc"
