#include "ragtoolsupport.h"
#include "samplepdf.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace ragtest;

class TestRagToolAsk : public QObject
{
    Q_OBJECT

public:
    static void initMain() { tovik::test::isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void englishQuestionsCitePdfPages();
    void chineseQuestionsFindPhrases_data();
    void chineseQuestionsFindPhrases();
    void scannedPagesAndImagesAreRecognized();
    void markdownListIsQuotedWithItsHeading();
    void noMatchOrNoCorpusIsASentence();
    void markersNameTheFileExactly();

private:
    QTemporaryDir m_dir;
    QString m_project;
};

namespace {

SamplePage page(const QString &title, const QStringList &paragraphs, bool scanned = false)
{
    SamplePage p;
    p.title = title;
    p.paragraphs = paragraphs;
    p.scanned = scanned;
    return p;
}

// Ask output as the app reads it: log lines only on standard error, answer lines that
// each end with one citation marker.
RagRun ask(const QString &project, const QString &question)
{
    const RagRun run = runRag({QStringLiteral("ask"), question}, project);
    [&] {
        QCOMPARE(run.exitCode, 0);
        for (const QString &line : run.err)
            QVERIFY2(isLogLine(line), qPrintable(line));
        QVERIFY(run.err.join('\n').contains(QStringLiteral("INFO retrieved ")));
        for (const QString &line : run.out)
            QVERIFY2(!isLogLine(line), qPrintable(line));
    }();
    return run;
}

void verifyCited(const QStringList &lines)
{
    QVERIFY(!lines.isEmpty());
    for (const QString &line : lines) {
        QCOMPARE(citations(line).size(), 1);
        QVERIFY2(line.endsWith(QLatin1Char(']')), qPrintable(line));
    }
}

} // namespace

void TestRagToolAsk::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_project = m_dir.path();
    QVERIFY(writeFile(m_project + QStringLiteral("/rag.toml"), "data_dir = \"data\"\n"));
    QVERIFY(SamplePdf::write(
        m_project + QStringLiteral("/guide.pdf"),
        {page(QStringLiteral("Harbour guide"), {QStringLiteral("The old town has narrow streets and a fish market.")}),
         page(QStringLiteral("Lighthouse"),
              {QStringLiteral("The lighthouse on Gull Point was built in 1887 and stands 31 metres tall."),
               QStringLiteral("Visitors climb 166 steps to the lamp room.")}),
         page(QStringLiteral("Ferries"), {QStringLiteral("Ferries to the islands leave every ninety minutes.")}),
         page(QStringLiteral("人物"), {QStringLiteral("燈塔管理員陳大文每天記錄三次天氣。")})}));
    QVERIFY(writeFile(m_project + QStringLiteral("/團隊.txt"),
                      "研發部經理陳大文負責冷泡茶系列。\n\n林美玲是財務長，負責年度預算。\n"));
    QVERIFY(writeFile(m_project + QStringLiteral("/crew.md"),
                      "# Crew\n\nThe crew changed in spring.\n\n## Deckhands\n\n- Ana Souza\n- *Bo Lindqvist*\n"
                      "- Chidi Okafor\n\n## Cooks\n\n1. Dara Quinn\n"));
    for (const QString &name : {QStringLiteral("guide.pdf"), QStringLiteral("團隊.txt"), QStringLiteral("crew.md")}) {
        const RagRun run = runRag({QStringLiteral("ingest"), m_project + QLatin1Char('/') + name}, m_project);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err.join('\n')));
    }
}

void TestRagToolAsk::englishQuestionsCitePdfPages()
{
    RagRun run = ask(m_project, QStringLiteral("How tall is the lighthouse?"));
    verifyCited(run.out);
    const QList<Citation> first = citations(run.out.first());
    QCOMPARE(first.first().filename, QStringLiteral("guide.pdf"));
    QCOMPARE(first.first().page, 2);
    QVERIFY2(run.out.first().contains(QStringLiteral("31 metres")), qPrintable(run.out.first()));

    run = ask(m_project, QStringLiteral("How often do ferries leave?"));
    verifyCited(run.out);
    QCOMPARE(citations(run.out.first()).first().page, 3);
    QVERIFY(run.out.first().contains(QStringLiteral("ninety minutes")));
}

void TestRagToolAsk::chineseQuestionsFindPhrases_data()
{
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QString>("expectedFile");
    // Both documents hold the name; the PDF's font maps 大 and 文 to look-alike Kangxi
    // radicals, which must not hide the PDF page.
    QTest::newRow("two characters") << QStringLiteral("陳大") << QStringLiteral("陳大文") << QString();
    QTest::newRow("question with particles") << QStringLiteral("林美玲的職位是什麼？") << QStringLiteral("財務長")
                                             << QStringLiteral("團隊.txt");
    QTest::newRow("pdf page") << QStringLiteral("陳大文每天記錄什麼？") << QStringLiteral("三次天氣")
                              << QStringLiteral("guide.pdf");
    QTest::newRow("one character") << QStringLiteral("茶") << QStringLiteral("冷泡茶") << QStringLiteral("團隊.txt");
}

void TestRagToolAsk::chineseQuestionsFindPhrases()
{
    QFETCH(QString, question);
    QFETCH(QString, expectedText);
    QFETCH(QString, expectedFile);
    const RagRun run = ask(m_project, question);
    verifyCited(run.out);
    QVERIFY2(run.out.first().contains(expectedText), qPrintable(run.out.join('\n')));
    if (!expectedFile.isEmpty())
        QCOMPARE(citations(run.out.first()).first().filename, expectedFile);
    if (question == QStringLiteral("陳大"))
        QCOMPARE(run.out.size(), 2);
}

void TestRagToolAsk::scannedPagesAndImagesAreRecognized()
{
    QTemporaryDir dir;
    const QString project = dir.path();
    writeFile(project + QStringLiteral("/rag.toml"), "data_dir = 'data'\n");
    const SamplePage scanned = page(QStringLiteral("MEMO"),
                                    {QStringLiteral("The Keelung warehouse closes for inspection on 14 March."),
                                     QStringLiteral("倉庫盤點將於三月十五日完成。")},
                                    true);
    QVERIFY(SamplePdf::write(project + QStringLiteral("/memo.pdf"),
                             {page(QStringLiteral("Cover"), {QStringLiteral("Internal memos of the trading company.")}),
                              scanned}));
    QVERIFY(SamplePdf::scan(page(QStringLiteral("Notice"), {QStringLiteral("The pantry reopens on Monday morning.")}), 150)
                .save(project + QStringLiteral("/notice.png")));
    for (const QString &name : {QStringLiteral("memo.pdf"), QStringLiteral("notice.png")}) {
        const RagRun run = runRag({QStringLiteral("ingest"), project + QLatin1Char('/') + name}, project);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err.join('\n')));
    }

    RagRun run = ask(project, QStringLiteral("When does the Keelung warehouse close?"));
    verifyCited(run.out);
    QCOMPARE(citations(run.out.first()).first().filename, QStringLiteral("memo.pdf"));
    QCOMPARE(citations(run.out.first()).first().page, 2);
    QVERIFY2(run.out.first().contains(QStringLiteral("14 March")), qPrintable(run.out.first()));

    run = ask(project, QStringLiteral("倉庫盤點"));
    verifyCited(run.out);
    QVERIFY2(run.out.first().contains(QStringLiteral("三月十五日")), qPrintable(run.out.join('\n')));

    run = ask(project, QStringLiteral("When does the pantry reopen?"));
    verifyCited(run.out);
    QCOMPARE(citations(run.out.first()).first().filename, QStringLiteral("notice.png"));
    QCOMPARE(citations(run.out.first()).first().page, 1);
    QVERIFY(run.out.first().contains(QStringLiteral("Monday")));
}

void TestRagToolAsk::markdownListIsQuotedWithItsHeading()
{
    const RagRun run = ask(m_project, QStringLiteral("Who are the deckhands?"));
    verifyCited(run.out);
    QCOMPARE(run.out.first(),
             QStringLiteral("- Deckhands: Ana Souza; Bo Lindqvist; Chidi Okafor [來源: crew.md p. 1]"));
}

void TestRagToolAsk::noMatchOrNoCorpusIsASentence()
{
    RagRun run = ask(m_project, QStringLiteral("zeppelin hangar schedule"));
    QCOMPARE(run.out.size(), 1);
    QVERIFY(citations(run.out.first()).isEmpty());
    QVERIFY(run.out.first().contains(QStringLiteral("No passage")));

    QTemporaryDir empty;
    writeFile(empty.filePath(QStringLiteral("rag.toml")), "data_dir = \"data\"\n");
    run = ask(empty.path(), QStringLiteral("anything at all?"));
    QCOMPARE(run.out.size(), 1);
    QVERIFY(citations(run.out.first()).isEmpty());
    QVERIFY(!QFileInfo::exists(empty.filePath(QStringLiteral("data"))));

    const RagRun blank = runRag({QStringLiteral("ask"), QStringLiteral("  \n ")}, m_project);
    QVERIFY(blank.exitCode != 0);
    QVERIFY(blank.err.join('\n').contains(QStringLiteral("ERROR ")));
}

void TestRagToolAsk::markersNameTheFileExactly()
{
    QTemporaryDir dir;
    const QString project = dir.path();
    writeFile(project + QStringLiteral("/rag.toml"), "data_dir = \"data\"\n");
    writeFile(project + QStringLiteral("/my report 2023.md"), "# Dock\n\nThe dry dock can lift ships of 9000 tonnes.\n");
    // Text that looks like a citation must not turn into one.
    writeFile(project + QStringLiteral("/quotes.txt"),
              "A sailor wrote about tonnes of cargo [來源: fake.pdf p. 9] in his diary.\n");
    for (const QString &name : {QStringLiteral("my report 2023.md"), QStringLiteral("quotes.txt")})
        QCOMPARE(runRag({QStringLiteral("ingest"), project + QLatin1Char('/') + name}, project).exitCode, 0);

    const RagRun run = ask(project, QStringLiteral("How many tonnes?"));
    QCOMPARE(run.out.size(), 2);
    QStringList files;
    for (const QString &line : run.out) {
        const QList<Citation> cited = citations(line);
        QCOMPARE(cited.size(), 1);
        QCOMPARE(cited.first().page, 1);
        files.append(cited.first().filename);
    }
    files.sort();
    QCOMPARE(files, (QStringList{QStringLiteral("my report 2023.md"), QStringLiteral("quotes.txt")}));
}

QTEST_MAIN(TestRagToolAsk)
#include "test_ragtool_ask.moc"
