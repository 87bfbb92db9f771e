#include "tabs/contentmodel.h"

#include "history/questionhistorystore.h"
#include "i18n/translate.h"
#include "preview/answercitationcount.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "tabs/contentrules.h"
#include "tabs/userprompts.h"

namespace tovik {

namespace {
const QString savedNotice()
{
    return translate(QStringLiteral("Saved this question."));
}

QSet<qint64> idsOf(const QList<QuestionRecord> &records)
{
    QSet<qint64> ids;
    ids.reserve(records.size());
    for (const QuestionRecord &record : records)
        ids.insert(record.id);
    return ids;
}
} // namespace

ContentModel::ContentModel(RagSettings &settings, QuestionHistoryStore &history, UserPrompts &prompts,
                           QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_history(history)
    , m_prompts(prompts)
    , m_session(new RagSession(&settings, this))
    , m_citedPages(new AnswerCitationCount(*m_session, this))
    , m_knownRecordIDs(idsOf(history.records()))
{
    for (auto signal : {&RagSession::questionChanged, &RagSession::isBusyChanged, &RagSession::isAskingChanged})
        connect(m_session, signal, this, &ContentModel::sessionChanged);
    connect(m_session, &RagSession::answerTextChanged, this, &ContentModel::answerChanged);
    connect(&m_history, &QuestionHistoryStore::recordsChanged, this, &ContentModel::recordsChanged);
    connect(m_citedPages, &AnswerCitationCount::countChanged, this, &ContentModel::citedPageCountChanged);
}

ContentModel::~ContentModel() = default;

qsizetype ContentModel::citedPageCount() const
{
    return m_citedPages->count();
}

QString ContentModel::tabTitle() const
{
    return tovik::tabTitle(m_session->question());
}

bool ContentModel::isDirty() const
{
    return contentIsDirty(m_session->question(), m_session->answerText(), m_savedQuestion, m_savedAnswer);
}

bool ContentModel::canAsk() const
{
    return !m_loadedFromHistory && !m_session->isBusy() && !trimmedView(m_session->question()).isEmpty();
}

bool ContentModel::canSave() const
{
    return isDirty() && !m_session->isAsking() && !trimmedView(m_session->question()).isEmpty()
        && hasAnswer();
}

QString ContentModel::saveButtonTitle() const
{
    return (!m_linkedRecordID || isDirty()) ? QStringLiteral("Save") : QStringLiteral("Saved");
}

QString ContentModel::saveButtonHelp() const
{
    if (canSave())
        return QStringLiteral("Save this question and answer");
    if (m_linkedRecordID && !isDirty())
        return QStringLiteral("This question is saved");
    if (trimmedView(m_session->question()).isEmpty())
        return QStringLiteral("Nothing to save");
    if (trimmedView(m_session->answerText()).isEmpty())
        return QStringLiteral("Save this question after it has an answer");
    return QStringLiteral("Nothing to save");
}

QString ContentModel::askButtonHelp() const
{
    return m_loadedFromHistory ? QStringLiteral("This question was opened from history and can't be asked again")
                               : QStringLiteral("Ask");
}

std::optional<qint64> ContentModel::currentHistoryID() const
{
    return isDirty() ? std::nullopt : m_linkedRecordID;
}

void ContentModel::setLogExpanded(bool expanded)
{
    if (m_isLogExpanded == expanded)
        return;
    m_isLogExpanded = expanded;
    Q_EMIT isLogExpandedChanged();
}

void ContentModel::setSidebarTab(SidebarTab tab)
{
    if (m_sidebarTab == tab)
        return;
    m_sidebarTab = tab;
    Q_EMIT sidebarTabChanged();
}

void ContentModel::sessionChanged()
{
    const bool dirty = isDirty();
    // An edit after saving makes the "saved" notice stale.
    if (dirty && !m_wasDirty && m_session->noticeText() == savedNotice() && m_session->hasNotice())
        m_session->clearNotice();
    rememberState();
    Q_EMIT stateChanged();
}

// A streaming answer changes many times a second, but what the state makes of it
// (dirty or not, an answer or none) seldom changes: only then is there news.
void ContentModel::answerChanged()
{
    if (isDirty() == m_wasDirty && hasAnswer() == m_hadAnswer)
        return;
    sessionChanged();
}

bool ContentModel::hasAnswer() const
{
    return !trimmedView(m_session->answerText()).isEmpty();
}

void ContentModel::rememberState()
{
    m_wasDirty = isDirty();
    m_hadAnswer = hasAnswer();
}

void ContentModel::ask()
{
    if (canAsk())
        m_session->ask();
}

void ContentModel::cancel()
{
    m_session->cancel();
}

bool ContentModel::saveQuestion()
{
    if (trimmedView(m_session->answerText()).isEmpty()) {
        m_session->setErrorMessage(translate(QStringLiteral("Save this question after it has an answer")));
        return false;
    }
    const std::optional<QuestionRecord> record =
        m_history.save(m_session->question(), m_session->answerText(), m_settings.workingDirectory());
    if (!record) {
        const QString error = m_history.lastError();
        m_session->setErrorMessage(error.isEmpty() ? translate(QStringLiteral("Couldn't save the question.")) : error);
        return false;
    }
    m_knownRecordIDs.insert(record->id);
    // The saved answer is the session's, trimmed as the store trims it: not unpacked again.
    setLinked(record->id, record->question, m_session->answerText().trimmed());
    m_session->setLogText(QString());
    m_session->setNotice(savedNotice());
    setLoadedFromHistory(true);
    Q_EMIT questionFocusReleased();
    rememberState();
    Q_EMIT stateChanged();
    return true;
}

void ContentModel::loadRecord(QuestionRecord record)
{
    // Link first, so the texts arriving below never count as an unsaved edit.
    const QString answer = record.answer.toString();
    setLinked(record.id, record.question, answer);
    m_session->setQuestion(record.question);
    m_session->setAnswerText(answer);
    m_session->setLogText(QString());
    m_session->clearNotice();
    setLoadedFromHistory(true);
    setLogExpanded(false);
    Q_EMIT questionFocusReleased();
    rememberState();
    Q_EMIT stateChanged();
}

void ContentModel::selectRecord(QuestionRecord record)
{
    if (m_session->isBusy()) {
        m_session->setNotice(translate(QStringLiteral("Wait for the current job to finish before loading.")));
        return;
    }
    const bool dirty = isDirty();
    if (m_linkedRecordID == record.id && !dirty)
        return;
    if (dirty) {
        switch (m_prompts.confirmDiscardForLoad()) {
        case UnsavedChoice::save:
            if (!saveQuestion())
                return;
            break;
        case UnsavedChoice::dontSave:
            break;
        case UnsavedChoice::cancel:
            return;
        }
    }
    loadRecord(record);
}

void ContentModel::deleteRecords(const QSet<qint64> &ids)
{
    if (!m_history.deleteRecords(ids)) {
        const QString error = m_history.lastError();
        m_session->setErrorMessage(error.isEmpty() ? translate(QStringLiteral("Couldn't delete the question.")) : error);
        return;
    }
    unlinkIfRemoved(ids);
    m_session->setNotice(ids.size() == 1 ? translate(QStringLiteral("Deleted 1 question."))
                                         : translated(QStringLiteral("Deleted {count} questions."),
                                                      {{QStringLiteral("count"), QString::number(ids.size())}}));
}

void ContentModel::recordsChanged()
{
    const QSet<qint64> now = idsOf(m_history.records());
    const QSet<qint64> removed = m_knownRecordIDs - now;
    m_knownRecordIDs = now;
    if (!removed.isEmpty())
        unlinkIfRemoved(removed);
}

void ContentModel::unlinkIfRemoved(const QSet<qint64> &removed)
{
    if (!m_linkedRecordID || !removed.contains(*m_linkedRecordID))
        return;
    const bool wasDirty = isDirty();
    setLinked(std::nullopt, QString(), QString());
    if (!wasDirty) {
        m_session->setQuestion(QString());
        m_session->setAnswerText(QString());
        m_session->setLogText(QString());
        setLoadedFromHistory(false);
        if (m_session->hasNotice() && m_session->noticeText() == savedNotice())
            m_session->clearNotice();
    }
    rememberState();
    Q_EMIT stateChanged();
}

bool ContentModel::confirmClose()
{
    // A second close while the alert is up does nothing.
    if (m_isPromptingClose)
        return false;
    if (!isDirty())
        return true;
    m_isPromptingClose = true;
    const UnsavedChoice choice = m_prompts.confirmLeave(m_session->isAsking());
    m_isPromptingClose = false;
    switch (choice) {
    case UnsavedChoice::save:
        return saveQuestion();
    case UnsavedChoice::dontSave:
        return true;
    case UnsavedChoice::cancel:
        break;
    }
    return false;
}

void ContentModel::setLinked(std::optional<qint64> id, const QString &question, const QString &answer)
{
    m_linkedRecordID = id;
    m_savedQuestion = question;
    m_savedAnswer = answer;
}

void ContentModel::setLoadedFromHistory(bool loaded)
{
    m_loadedFromHistory = loaded;
}

} // namespace tovik
