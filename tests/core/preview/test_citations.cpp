#include "i18n/interfacelanguage.h"
#include "preview/citations.h"
#include "support/isolatedhome.h"

#include <QtTest>

using namespace tovik;

using Pages = QList<CitedPage>;

class TestCitations : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void extraction_data();
    void extraction();
    void pageOrderKeepsDocumentsInCitationOrder();
    void identityAndHash();
    void pageOrderCases();
};

void TestCitations::extraction_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<Pages>("expected");

    QTest::newRow("duplicates, full-width colon, P., files in first-citation order")
        << QStringLiteral("A [來源: a.pdf p. 3] B [來源：a.pdf p.3] C [來源: b.pdf P. 1] D [來源: a.pdf p. 2].")
        << Pages{{QStringLiteral("a.pdf"), 3}, {QStringLiteral("a.pdf"), 2}, {QStringLiteral("b.pdf"), 1}};
    QTest::newRow("page 0 and a full-width digit")
        << QStringLiteral("[來源: a.pdf p. 0] [來源: a.pdf p. ３]") << Pages{};
    QTest::newRow("inner space kept, outer trimmed, first page of a range")
        << QStringLiteral("[來源:   my file.pdf   p. 4-6]") << Pages{{QStringLiteral("my file.pdf"), 4}};
    QTest::newRow("bracket inside the filename")
        << QStringLiteral("[來源: [old] a.pdf p. 2] [來源: old [a.pdf p. 2]") << Pages{};
    QTest::newRow("line feed before the closing bracket")
        << QStringLiteral("[來源: a.pdf p. 3\n] [來源: a\n.pdf p. 4]") << Pages{};
    QTest::newRow("no page") << QStringLiteral("[來源: a.pdf] [來源: a.pdf p.]") << Pages{};
    QTest::newRow("page beyond 64 bits skipped, largest 64-bit page kept")
        << QStringLiteral("[來源: a.pdf p. 9223372036854775808] [來源: a.pdf p. 99999999999999999999999] "
                          "[來源: a.pdf p. 9223372036854775807]")
        << Pages{{QStringLiteral("a.pdf"), Q_INT64_C(9223372036854775807)}};
    QTest::newRow("second file of one marker ignored")
        << QStringLiteral("[來源: a.pdf p. 1; b.pdf p. 2]") << Pages{{QStringLiteral("a.pdf"), 1}};
    QTest::newRow("names differ in case are different files")
        << QStringLiteral("[來源: A.pdf p. 1][來源: a.pdf p. 1]")
        << Pages{{QStringLiteral("A.pdf"), 1}, {QStringLiteral("a.pdf"), 1}};
    QTest::newRow("a broken marker does not swallow the next one")
        << QStringLiteral("[來源: x.pdf] then [來源: c.pdf p. 7]") << Pages{{QStringLiteral("c.pdf"), 7}};
    QTest::newRow("CJK filename, leading zeros, no space after p.")
        << QStringLiteral("見 [來源: 年報 2023.pdf p.007]。") << Pages{{QStringLiteral("年報 2023.pdf"), 7}};
    QTest::newRow("no markers") << QStringLiteral("Plain answer [1] with [brackets].") << Pages{};
    QTest::newRow("brackets right before a marker")
        << QStringLiteral("[[來源: a.pdf p. 1] x[y[來源: b.pdf p. 5][") << Pages{{QStringLiteral("a.pdf"), 1}, {QStringLiteral("b.pdf"), 5}};
    QTest::newRow("a marker inside a broken one is part of it")
        << QStringLiteral("[來源: x [來源: b.pdf p. 2] [來源: c.pdf p. 3]") << Pages{{QStringLiteral("c.pdf"), 3}};
}

void TestCitations::extraction()
{
    QFETCH(QString, answer);
    QFETCH(Pages, expected);
    QCOMPARE(citedPages(answer), expected);
}

void TestCitations::pageOrderKeepsDocumentsInCitationOrder()
{
    const Pages pages = citedPages(QStringLiteral("[來源: a.pdf p. 3] [來源：a.pdf p.3] [來源: b.pdf P. 1] [來源: a.pdf p. 2]"));
    Pages a, b;
    for (const CitedPage &page : pages)
        (page.filename == QLatin1String("a.pdf") ? a : b).append(page);

    QCOMPARE(orderPages(a, CitationPageOrder::source), a);
    QCOMPARE(orderPages(a, CitationPageOrder::pageNumber),
             (Pages{{QStringLiteral("a.pdf"), 2}, {QStringLiteral("a.pdf"), 3}}));
    // The grouping of the extraction puts every a.pdf page before b.pdf.
    QCOMPARE(pages.last(), (CitedPage{QStringLiteral("b.pdf"), 1}));

    struct Rendered { qint64 page; int tag; };
    const QList<Rendered> rendered{{9, 0}, {1, 1}, {4, 2}};
    const QList<Rendered> sorted = orderPages(rendered, CitationPageOrder::pageNumber);
    QCOMPARE(sorted.at(0).tag, 1);
    QCOMPARE(sorted.at(1).tag, 2);
    QCOMPARE(sorted.at(2).tag, 0);
}

void TestCitations::identityAndHash()
{
    const CitedPage page{QStringLiteral("a.pdf"), 12};
    QCOMPARE(page.id(), QStringLiteral("a.pdf\n12"));
    QCOMPARE(qHash(page, 7), qHash(CitedPage{QStringLiteral("a.pdf"), 12}, 7));
    QVERIFY(page != (CitedPage{QStringLiteral("a.pdf"), 13}));
    QSet<CitedPage> set{page, page, {QStringLiteral("b.pdf"), 12}};
    QCOMPARE(set.size(), 2);
}

void TestCitations::pageOrderCases()
{
    QCOMPARE(allCitationPageOrders.front(), CitationPageOrder::source);
    QCOMPARE(rawValue(CitationPageOrder::source), QStringLiteral("source"));
    QCOMPARE(rawValue(CitationPageOrder::pageNumber), QStringLiteral("pageNumber"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    QCOMPARE(displayLabel(CitationPageOrder::source), QStringLiteral("Answer order"));
    QCOMPARE(displayLabel(CitationPageOrder::pageNumber), QStringLiteral("Page number"));
}

QTEST_GUILESS_MAIN(TestCitations)
#include "test_citations.moc"
