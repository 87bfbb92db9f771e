#include "support/isolatedhome.h"
#include "tabs/contentrules.h"

#include <QtTest>

using namespace tovik;

class TestContentRules : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void tabTitle_data();
    void tabTitle();
    void dirtyComparesTrimmedTexts();
    void sidebarWidthRule();
    void dividerDragIsRememberedOnlyInRange();
};

void TestContentRules::tabTitle_data()
{
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("title");
    QTest::newRow("empty") << QString() << QStringLiteral("tovikRAG");
    QTest::newRow("blank") << QStringLiteral(" \n\t\u3000") << QStringLiteral("tovikRAG");
    QTest::newRow("three letters") << QStringLiteral("abc") << QStringLiteral("abc...");
    QTest::newRow("exactly eight") << QStringLiteral("abcdefgh") << QStringLiteral("abcdefgh...");
    QTest::newRow("two lines joined") << QStringLiteral("ab\ncdefghij") << QStringLiteral("abcdefgh...");
    QTest::newRow("crlf and u2028") << QStringLiteral("  a\r\nb\u2028cd") << QStringLiteral("abcd...");
    QTest::newRow("chinese") << QStringLiteral("陳大文有冇提過稅務問題") << QStringLiteral("陳大文有冇提過稅...");
    // Emoji and combining marks count as one character each, never cut in half.
    QTest::newRow("emoji") << QStringLiteral("👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽") << QStringLiteral("👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽👍🏽...");
    QTest::newRow("combining") << QStringLiteral("e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301x")
                               << QStringLiteral("e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301e\u0301...");
}

void TestContentRules::tabTitle()
{
    QFETCH(QString, question);
    QFETCH(QString, title);
    QCOMPARE(tovik::tabTitle(question), title);
}

void TestContentRules::dirtyComparesTrimmedTexts()
{
    QVERIFY(!contentIsDirty(QStringLiteral(" "), QStringLiteral("\n"), {}, {}));
    QVERIFY(contentIsDirty(QStringLiteral("q"), {}, {}, {}));
    QVERIFY(!contentIsDirty(QStringLiteral(" q\n"), QStringLiteral("a\n"), QStringLiteral("q"), QStringLiteral("a")));
    QVERIFY(contentIsDirty(QStringLiteral("q"), QStringLiteral("a!"), QStringLiteral("q"), QStringLiteral("a")));
    QVERIFY(contentIsDirty(QStringLiteral("q"), QStringLiteral("b"), QStringLiteral("q"), QStringLiteral("a")));
}

void TestContentRules::sidebarWidthRule()
{
    SidebarWidthRule rule = SidebarWidthRule::compute(700, 560, true);
    QCOMPARE(rule.minimum, 420.0);
    QCOMPARE(rule.ideal, 560.0);
    QCOMPARE(rule.maximum, 900.0);
    QVERIFY(!rule.enforced); // 560 + 240 > 700.5

    rule = SidebarWidthRule::compute(800, 560, true);
    QCOMPARE(rule.enforced, 560.0);
    QVERIFY(!SidebarWidthRule::compute(800, 560, false).enforced); // hidden sidebar: none

    // Stored widths outside 420...900 fall back to 560.
    QCOMPARE(SidebarWidthRule::usableStoredWidth(419), 560.0);
    QCOMPARE(SidebarWidthRule::usableStoredWidth(901), 560.0);
    QCOMPARE(SidebarWidthRule::usableStoredWidth(420), 420.0);
    QCOMPARE(SidebarWidthRule::compute(1300, 901, true).enforced, 560.0);
    QCOMPARE(SidebarWidthRule::compute(1300, 700, true).enforced, 700.0);

    // Narrow windows lower the minimum, never below 160.
    QCOMPARE(SidebarWidthRule::compute(500, 560, true).minimum, 260.0);
    QCOMPARE(SidebarWidthRule::compute(380, 560, true).minimum, 160.0);
    QVERIFY(compactWidth == 402.0);
}

void TestContentRules::dividerDragIsRememberedOnlyInRange()
{
    QCOMPARE(rememberedDividerWidth(600, 1100, 560.0), 600.0);
    QCOMPARE(rememberedDividerWidth(300, 1100, 560.0), std::nullopt);
    QCOMPARE(rememberedDividerWidth(600, 600, std::nullopt), std::nullopt);
    QCOMPARE(rememberedDividerWidth(560.6, 1100, 560.0), std::nullopt); // the enforced width itself
    QCOMPARE(rememberedDividerWidth(419.4, 1100, std::nullopt), 420.0);
    QCOMPARE(rememberedDividerWidth(900.6, 1300, std::nullopt), 900.0);
    QCOMPARE(rememberedDividerWidth(902, 1300, std::nullopt), std::nullopt);
    QCOMPARE(rememberedDividerWidth(1, 1300, std::nullopt), std::nullopt);
}

QTEST_GUILESS_MAIN(TestContentRules)
#include "test_contentrules.moc"
