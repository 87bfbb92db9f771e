#include "history/questionhistorystore.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "support/isolatedhome.h"
#include "support/workflowfixture.h"
#include "tabs/contentmodel.h"

#include <QSignalSpy>
#include <QtTest>

using namespace tovik;
using tovik::test::ScriptedPrompts;
using tovik::test::WorkflowFixture;

class TestContentModel : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init();
    void cleanup();
    void freshAskAnswerSaveUnlink();
    void blankQuestionAndAnswerAreNotDirty();
    void selectingWhileDirtyFollowsThePrompt();
    void selectingWhileBusyOnlyNotices();
    void selectingTheLoadedRecordAgainDoesNothing();
    void deletingTheLinkedRecordOfADirtyTabKeepsTheTexts();
    void deleteNoticesCountQuestions();
    void closeGuardAsksOnlyWhenDirtyAndNeverTwice();
    void editingAfterSaveClearsTheSavedNotice();
    void streamedLinesChangeTheStateOnlyWhenItsFlagsDo();

private:
    void askAndWait(ContentModel &model);

    std::unique_ptr<WorkflowFixture> m_fixture;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<ContentModel> m_model;
};

void TestContentModel::init()
{
    RagSession::resetStatusCheckedThisLaunchForTesting();
    m_fixture = std::make_unique<WorkflowFixture>();
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_model = std::make_unique<ContentModel>(*m_fixture->settings, *m_fixture->history, *m_prompts);
}

void TestContentModel::cleanup()
{
    m_model.reset();
    m_prompts.reset();
    m_fixture.reset();
}

void TestContentModel::askAndWait(ContentModel &model)
{
    model.ask();
    QVERIFY(model.session().isAsking());
    QTRY_VERIFY_WITH_TIMEOUT(!model.session().isBusy(), 10000);
}

void TestContentModel::freshAskAnswerSaveUnlink()
{
    ContentModel &model = *m_model;
    RagSession &session = model.session();
    QCOMPARE(model.tabTitle(), QStringLiteral("tovikRAG"));
    QVERIFY(!model.isDirty());
    QVERIFY(!model.canAsk());
    QVERIFY(!model.canSave());
    QCOMPARE(model.saveButtonTitle(), QStringLiteral("Save"));
    QCOMPARE(model.saveButtonHelp(), QStringLiteral("Nothing to save"));
    QCOMPARE(model.askButtonHelp(), QStringLiteral("Ask"));

    session.setQuestion(QStringLiteral("tax"));
    QCOMPARE(model.tabTitle(), QStringLiteral("tax..."));
    QVERIFY(model.canAsk());
    QVERIFY(model.isDirty());
    QCOMPARE(model.saveButtonHelp(), QStringLiteral("Save this question after it has an answer"));

    // While the answer streams, saving is off even once text is there.
    qputenv("FAKE_RAG_MODE", "slow");
    qputenv("FAKE_RAG_DELAY", "1");
    model.ask();
    QVERIFY(session.isAsking());
    QVERIFY(!model.canAsk());
    QVERIFY(!model.canSave());
    QCOMPARE(model.saveButtonHelp(), QStringLiteral("Save this question after it has an answer"));
    QTRY_VERIFY_WITH_TIMEOUT(!session.answerText().isEmpty(), 10000);
    QVERIFY(session.isAsking());
    QVERIFY(!model.canSave());
    QCOMPARE(model.saveButtonHelp(), QStringLiteral("Nothing to save"));
    QTRY_VERIFY_WITH_TIMEOUT(!session.isBusy(), 10000);
    qunsetenv("FAKE_RAG_MODE");

    QVERIFY(session.answerText().contains(QStringLiteral("[來源: tax.pdf p. 2]")));
    QVERIFY(session.logText().contains(QStringLiteral("INFO done")));
    QVERIFY(model.canSave());
    QCOMPARE(model.saveButtonHelp(), QStringLiteral("Save this question and answer"));
    QCOMPARE(model.currentHistoryID(), std::nullopt);

    QVERIFY(model.saveQuestion());
    QCOMPARE(session.noticeText(), QStringLiteral("Saved this question."));
    QVERIFY(session.logText().isEmpty());
    QVERIFY(model.loadedFromHistory());
    QVERIFY(!model.isDirty());
    QVERIFY(!model.canAsk());
    QVERIFY(!model.canSave());
    QCOMPARE(model.saveButtonTitle(), QStringLiteral("Saved"));
    QCOMPARE(model.saveButtonHelp(), QStringLiteral("This question is saved"));
    QCOMPARE(model.askButtonHelp(), QStringLiteral("This question was opened from history and can't be asked again"));
    const qint64 id = m_fixture->history->records().first().id;
    QCOMPARE(model.linkedRecordID(), id);
    QCOMPARE(model.currentHistoryID(), id);

    // The record disappearing from the store (deleted from another tab) unlinks a clean tab.
    QVERIFY(m_fixture->history->deleteRecords({id}));
    QCOMPARE(model.linkedRecordID(), std::nullopt);
    QVERIFY(session.question().isEmpty());
    QVERIFY(session.answerText().isEmpty());
    QVERIFY(!model.loadedFromHistory());
    QVERIFY(!session.hasNotice());
    QCOMPARE(model.tabTitle(), QStringLiteral("tovikRAG"));
}

void TestContentModel::blankQuestionAndAnswerAreNotDirty()
{
    RagSession &session = m_model->session();
    session.setQuestion(QStringLiteral(" \n\t "));
    session.setAnswerText(QStringLiteral("\n"));
    QVERIFY(!m_model->isDirty());
    QVERIFY(!m_model->canSave());
    QVERIFY(!m_model->canAsk());
    QCOMPARE(m_model->saveButtonHelp(), QStringLiteral("Nothing to save"));
    QVERIFY(m_model->confirmClose());
    QCOMPARE(m_prompts->leaveAsked, 0);
}

void TestContentModel::selectingWhileDirtyFollowsThePrompt()
{
    QuestionHistoryStore &history = *m_fixture->history;
    const QuestionRecord other = *history.save(QStringLiteral("Other question"), QStringLiteral("Other answer"), {});
    RagSession &session = m_model->session();

    // Cancel keeps everything.
    session.setQuestion(QStringLiteral("Unsaved"));
    m_prompts->discardAnswer = UnsavedChoice::cancel;
    m_model->selectRecord(other);
    QCOMPARE(m_prompts->discardAsked, 1);
    QCOMPARE(session.question(), QStringLiteral("Unsaved"));
    QCOMPARE(m_model->linkedRecordID(), std::nullopt);

    // Save that fails (no answer yet) keeps everything and reports why.
    m_prompts->discardAnswer = UnsavedChoice::save;
    m_model->selectRecord(other);
    QCOMPARE(session.question(), QStringLiteral("Unsaved"));
    QCOMPARE(session.errorMessageText(), QStringLiteral("Save this question after it has an answer"));
    QCOMPARE(history.records().size(), 1);

    // Save that works stores the current question, then loads the other one.
    session.clearErrorMessage();
    session.setAnswerText(QStringLiteral("An answer\n"));
    m_model->selectRecord(other);
    QCOMPARE(history.records().size(), 2);
    QCOMPARE(history.records().first().question, QStringLiteral("Unsaved"));
    QCOMPARE(session.question(), QStringLiteral("Other question"));
    QCOMPARE(m_model->linkedRecordID(), other.id);
    QVERIFY(!m_model->isLogExpanded());

    // Don't Save discards the edit.
    session.setQuestion(QStringLiteral("Edited"));
    m_prompts->discardAnswer = UnsavedChoice::dontSave;
    const QuestionRecord first = history.records().first();
    m_model->selectRecord(first);
    QCOMPARE(session.question(), QStringLiteral("Unsaved"));
    QCOMPARE(m_model->linkedRecordID(), first.id);
    QVERIFY(!m_model->isDirty());
    QCOMPARE(history.records().size(), 2);
}

void TestContentModel::selectingWhileBusyOnlyNotices()
{
    const QuestionRecord record = *m_fixture->history->save(QStringLiteral("Q"), QStringLiteral("A"), {});
    RagSession &session = m_model->session();
    session.setQuestion(QStringLiteral("Long question"));
    qputenv("FAKE_RAG_MODE", "slow");
    qputenv("FAKE_RAG_DELAY", "5");
    m_model->ask();
    qunsetenv("FAKE_RAG_MODE");
    QVERIFY(session.isBusy());
    m_model->selectRecord(record);
    QCOMPARE(session.noticeText(), QStringLiteral("Wait for the current job to finish before loading."));
    QCOMPARE(session.question(), QStringLiteral("Long question"));
    QCOMPARE(m_prompts->discardAsked, 0);
    m_model->cancel();
}

void TestContentModel::selectingTheLoadedRecordAgainDoesNothing()
{
    const QuestionRecord record = *m_fixture->history->save(QStringLiteral("Q"), QStringLiteral("A"), {});
    m_model->loadRecord(record);
    m_model->session().setNotice(QStringLiteral("marker"));
    m_model->selectRecord(record);
    QCOMPARE(m_model->session().noticeText(), QStringLiteral("marker"));
    QCOMPARE(m_prompts->discardAsked, 0);
}

void TestContentModel::deletingTheLinkedRecordOfADirtyTabKeepsTheTexts()
{
    const QuestionRecord record = *m_fixture->history->save(QStringLiteral("Q"), QStringLiteral("A"), {});
    m_model->loadRecord(record);
    m_model->session().setAnswerText(QStringLiteral("A changed"));
    QVERIFY(m_model->isDirty());
    QCOMPARE(m_model->saveButtonTitle(), QStringLiteral("Save"));
    m_model->deleteRecords({record.id});
    QCOMPARE(m_model->linkedRecordID(), std::nullopt);
    QCOMPARE(m_model->session().question(), QStringLiteral("Q"));
    QCOMPARE(m_model->session().answerText(), QStringLiteral("A changed"));
    QVERIFY(m_model->isDirty());
    QCOMPARE(m_model->saveButtonTitle(), QStringLiteral("Save"));
    QCOMPARE(m_model->session().noticeText(), QStringLiteral("Deleted 1 question."));
}

void TestContentModel::deleteNoticesCountQuestions()
{
    QuestionHistoryStore &history = *m_fixture->history;
    QSet<qint64> ids;
    for (int i = 0; i < 3; ++i)
        ids.insert(history.save(QStringLiteral("Q%1").arg(i), QStringLiteral("A"), {})->id);
    m_model->deleteRecords(ids);
    QCOMPARE(m_model->session().noticeText(), QStringLiteral("Deleted 3 questions."));
    QVERIFY(history.records().isEmpty());
}

void TestContentModel::closeGuardAsksOnlyWhenDirtyAndNeverTwice()
{
    RagSession &session = m_model->session();
    QVERIFY(m_model->confirmClose());
    session.setQuestion(QStringLiteral("Q"));
    session.setAnswerText(QStringLiteral("A\n"));

    m_prompts->leaveAnswer = UnsavedChoice::cancel;
    QVERIFY(!m_model->confirmClose());
    QCOMPARE(m_prompts->leaveAsked, 1);
    QVERIFY(!m_prompts->lastLeaveWasAsking);

    m_prompts->leaveAnswer = UnsavedChoice::dontSave;
    QVERIFY(m_model->confirmClose());

    // "Save" closes only when the save works.
    m_prompts->leaveAnswer = UnsavedChoice::save;
    QVERIFY(m_model->confirmClose());
    QCOMPARE(m_fixture->history->records().size(), 1);
    QVERIFY(m_model->confirmClose()); // saved now: no question
    QCOMPARE(m_prompts->leaveAsked, 3);

    // A second close while the alert is up does nothing.
    struct Reentrant final : UserPrompts
    {
        ContentModel *model = nullptr;
        bool innerResult = true;
        UnsavedChoice confirmDiscardForLoad() override { return UnsavedChoice::cancel; }
        UnsavedChoice confirmLeave(bool) override
        {
            innerResult = model->confirmClose();
            return UnsavedChoice::dontSave;
        }
        bool confirmDelete(int) override { return false; }
    } reentrant;
    ContentModel other(*m_fixture->settings, *m_fixture->history, reentrant);
    reentrant.model = &other;
    other.session().setQuestion(QStringLiteral("dirty"));
    QVERIFY(other.confirmClose());
    QVERIFY(!reentrant.innerResult);
}

void TestContentModel::editingAfterSaveClearsTheSavedNotice()
{
    RagSession &session = m_model->session();
    session.setQuestion(QStringLiteral("Q"));
    session.setAnswerText(QStringLiteral("A\n"));
    QVERIFY(m_model->saveQuestion());
    QVERIFY(session.hasNotice());
    session.setAnswerText(QStringLiteral("A edited\n"));
    QVERIFY(m_model->isDirty());
    QVERIFY(!session.hasNotice());
}

void TestContentModel::streamedLinesChangeTheStateOnlyWhenItsFlagsDo()
{
    // Every state change redraws the tab and its title: a streamed answer must not
    // cause one per line.
    RagSession &session = m_model->session();
    session.setQuestion(QStringLiteral("Q"));
    QSignalSpy changes(m_model.get(), &ContentModel::stateChanged);
    for (int line = 0; line < 50; ++line)
        session.appendAnswerLine(QStringLiteral("line %1").arg(line));
    QCOMPARE(changes.size(), 1); // the first line gave the tab an answer
    QVERIFY(m_model->canSave());

    // Saved, then edited by one more line: dirty again, so the state changes again.
    QVERIFY(m_model->saveQuestion());
    changes.clear();
    session.appendAnswerLine(QStringLiteral("one more"));
    session.appendAnswerLine(QStringLiteral("and another"));
    QCOMPARE(changes.size(), 1);
    QVERIFY(m_model->isDirty());
}

QTEST_GUILESS_MAIN(TestContentModel)
#include "test_contentmodel.moc"
