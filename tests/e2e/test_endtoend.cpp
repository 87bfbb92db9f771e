// The whole road of a question with the reference rag on a copy of the demo corpus:
// status, ingest of a new PDF, ask, citations, corpus lookup, save, and the saved
// record found again after the history is reopened.
#include "history/questionhistorystore.h"
#include "preview/citations.h"
#include "preview/corpuslookup.h"
#include "preview/documentpreviewmodel.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "support/isolatedhome.h"
#include "support/workflowfixture.h"
#include "tabs/contentmodel.h"

#include <QDir>
#include <QDirIterator>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QtTest>

using namespace tovik;

class TestEndToEnd : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void questionRoadWithTheReferenceTool();
};

namespace {
bool copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        if (it.fileInfo().isDir()) {
            QDir().mkpath(target);
        } else if (!QFile::copy(path, target)) {
            return false;
        }
    }
    return true;
}

void writePdf(const QString &path, const QString &text)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(12);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, writer.width(), writer.height() / 4), Qt::TextWordWrap, text);
}
} // namespace

void TestEndToEnd::questionRoadWithTheReferenceTool()
{
    QTemporaryDir scratch;
    const QString project = scratch.filePath(QStringLiteral("demo"));
    QVERIFY(copyFolder(QStringLiteral(TOVIK_DEMO_DIR), project));
    QVERIFY(QFile::exists(project + QStringLiteral("/data/corpus.sqlite")));

    RagSession::resetStatusCheckedThisLaunchForTesting();
    RagSettings settings;
    settings.setRagPath(QStringLiteral(TOVIK_RAG_PATH));
    settings.setWorkingDirectory(project);
    const QString historyPath = scratch.filePath(QStringLiteral("questions.sqlite"));
    auto history = std::make_unique<QuestionHistoryStore>(historyPath, QuestionHistoryStore::Clock{});
    history->openIfNeeded();
    test::ScriptedPrompts prompts;
    ContentModel tab(settings, *history, prompts);
    RagSession &session = tab.session();

    // Status: the first prepared tab checks it once.
    bool prepared = false;
    session.prepare([&] { prepared = true; });
    QTRY_VERIFY_WITH_TIMEOUT(prepared, 20000);
    QVERIFY2(!session.hasErrorMessage(), qPrintable(session.errorMessageText()));
    QVERIFY2(settings.statusText().contains(QStringLiteral("5")), qPrintable(settings.statusText()));

    // Ingest a new document.
    const QString pdf = scratch.filePath(QStringLiteral("lighthouse.pdf"));
    writePdf(pdf, QStringLiteral("The lighthouse keeper at Cape Wrath was Margaret Okafor, who kept the lamp "
                                 "burning through the great storm of 1953."));
    session.enqueue({QUrl::fromLocalFile(pdf)});
    QVERIFY(session.isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!session.isBusy(), 60000);
    QVERIFY2(!session.hasErrorMessage(), qPrintable(session.errorMessageText()));
    QVERIFY2(session.logText().contains(QStringLiteral("INFO")), qPrintable(session.logText()));

    // Ask: the answer streams in and cites the new document.
    session.setQuestion(QStringLiteral("Who was the lighthouse keeper at Cape Wrath?\n"));
    QVERIFY(tab.canAsk());
    tab.ask();
    QVERIFY(session.isAsking());
    QTRY_VERIFY_WITH_TIMEOUT(!session.isBusy(), 60000);
    QVERIFY2(!session.hasErrorMessage(), qPrintable(session.errorMessageText()));
    QVERIFY2(session.answerText().contains(QStringLiteral("Okafor")), qPrintable(session.answerText()));
    QVERIFY(session.logText().startsWith(QStringLiteral("INFO ")));
    const QList<CitedPage> cited = citedPages(session.answerText());
    QVERIFY(cited.contains(CitedPage{QStringLiteral("lighthouse.pdf"), 1}));

    // The corpus says where the cited file came from.
    QStringList names;
    for (const CitedPage &page : cited)
        names.append(page.filename);
    const CorpusLookup lookup = lookUpSourcePaths(names, settings.workingDirectory());
    QVERIFY(!lookup.failed);
    QCOMPARE(lookup.sourcePaths.value(QStringLiteral("lighthouse.pdf")).value(0), pdf);

    // The documents sidebar's model shows the cited page of the new file.
    DocumentPreviewModel preview;
    preview.setAcceptsLoads(true);
    QFuture<void> loading = preview.load(session.answerText(), settings.workingDirectory());
    QTRY_VERIFY_WITH_TIMEOUT(loading.isFinished(), 30000);
    QVERIFY(!preview.hasNotice());
    const auto group = std::find_if(preview.groups().cbegin(), preview.groups().cend(), [](const CitedDocument &doc) {
        return doc.filename == QStringLiteral("lighthouse.pdf");
    });
    QVERIFY(group != preview.groups().cend());
    QCOMPARE(group->sourcePath, std::optional<QString>(pdf));
    QVERIFY(!group->problem);
    QCOMPARE(group->pages.size(), 1);
    QVERIFY(group->pages.first().hasImage());
    QCOMPARE(group->pages.first().image.width(), DocumentPreviewModel::renderWidth);
    QVERIFY(group->pages.first().pdfPage->textLayer()->text().contains(QStringLiteral("Okafor")));

    // Save, then find the record after reopening the history.
    QVERIFY(tab.canSave());
    QVERIFY(tab.saveQuestion());
    const QString savedAnswer = session.answerText().trimmed();
    history.reset();
    QuestionHistoryStore reopened(historyPath, QuestionHistoryStore::Clock{});
    reopened.openIfNeeded();
    QCOMPARE(reopened.records().size(), 1);
    QCOMPARE(reopened.records().first().question, QStringLiteral("Who was the lighthouse keeper at Cape Wrath?"));
    QCOMPARE(reopened.records().first().answer, savedAnswer);
    QCOMPARE(reopened.records().first().workingDirectory, project);
}

QTEST_MAIN(TestEndToEnd)
#include "test_endtoend.moc"
