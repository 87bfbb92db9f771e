#include "history/savedattext.h"
#include "support/isolatedhome.h"

#include <QTimeZone>
#include <QtTest>

using namespace tovik;

class TestSavedAtText : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void writesUtcWithMilliseconds();
    void readsOnlyTheExactForm_data();
    void readsOnlyTheExactForm();
    void distantPastStaysUsable();
};

void TestSavedAtText::writesUtcWithMilliseconds()
{
    const QDateTime hongKong(QDate(2024, 3, 5), QTime(17, 7, 2, 481), QTimeZone("Asia/Hong_Kong"));
    QCOMPARE(formatSavedAt(hongKong), QByteArray("2024-03-05T09:07:02.481Z"));
    QCOMPARE(parseSavedAt("2024-03-05T09:07:02.481Z"), hongKong);
    const QDateTime midnight(QDate(999, 1, 2), QTime(0, 0), Qt::UTC);
    QCOMPARE(formatSavedAt(midnight), QByteArray("0999-01-02T00:00:00.000Z"));
    QCOMPARE(parseSavedAt(formatSavedAt(midnight)), midnight);
}

void TestSavedAtText::readsOnlyTheExactForm_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime unknown = distantPast();
    QTest::newRow("stored form") << QByteArray("2024-03-05T09:07:02.481Z")
                                 << QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2, 481), Qt::UTC);
    QTest::newRow("leap day") << QByteArray("2024-02-29T23:59:59.999Z")
                              << QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999), Qt::UTC);
    QTest::newRow("no leap day") << QByteArray("2023-02-29T10:00:00.000Z") << unknown;
    QTest::newRow("hour 24") << QByteArray("2024-03-05T24:00:00.000Z") << unknown;
    QTest::newRow("leap second") << QByteArray("2024-03-05T09:07:60.000Z") << unknown;
    QTest::newRow("month 13") << QByteArray("2024-13-05T09:07:02.481Z") << unknown;
    QTest::newRow("year zero") << QByteArray("0000-03-05T09:07:02.481Z") << unknown;
    QTest::newRow("offset zone") << QByteArray("2024-03-05T09:07:02.481+00:00") << unknown;
    QTest::newRow("lower-case z") << QByteArray("2024-03-05T09:07:02.481z") << unknown;
    QTest::newRow("space for T") << QByteArray("2024-03-05 09:07:02.481Z") << unknown;
    QTest::newRow("no fraction") << QByteArray("2024-03-05T09:07:02Z") << unknown;
    QTest::newRow("two digits") << QByteArray("2024-03-05T09:07:02.48Z") << unknown;
    QTest::newRow("four digits") << QByteArray("2024-03-05T09:07:02.4811Z") << unknown;
    QTest::newRow("sign in digits") << QByteArray("2024-03-05T09:07:02.+81Z") << unknown;
    QTest::newRow("trailing newline") << QByteArray("2024-03-05T09:07:02.481Z\n") << unknown;
    QTest::newRow("full-width digits") << QByteArray("２０２４-03-05T09:07:02Z") << unknown;
    QTest::newRow("empty") << QByteArray() << unknown;
}

void TestSavedAtText::readsOnlyTheExactForm()
{
    QFETCH(QByteArray, text);
    QFETCH(QDateTime, expected);
    const QDateTime parsed = parseSavedAt(text);
    QCOMPARE(parsed, expected);
    QCOMPARE(parsed.timeSpec(), Qt::UTC);
}

void TestSavedAtText::distantPastStaysUsable()
{
    // Views show it in the user's zone, and lists compare it with real dates.
    const QDateTime past = distantPast();
    QVERIFY(past.isValid());
    QVERIFY(past.toTimeZone(QTimeZone("Pacific/Honolulu")).isValid());
    QVERIFY(past.toTimeZone(QTimeZone("Pacific/Kiritimati")).isValid());
    QVERIFY(past < parseSavedAt("0001-01-01T00:00:00.000Z"));
}

QTEST_GUILESS_MAIN(TestSavedAtText)
#include "test_savedattext.moc"
