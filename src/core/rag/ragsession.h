#pragma once

#include "rag/ragcommand.h"
#include "rag/ragjob.h"
#include "rag/ragline.h"
#include "system/pagewarmer.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

namespace tovik {

class RagSettings;

// The job state of one tab (or of the settings page): the question, the answer and
// log that rag printed, and at most one running job — a status check, an ask, or one
// file of the ingest queue. GUI thread only. Operations that wait report through an
// optional completion that runs on the GUI thread, possibly before the call returns
// when there is nothing to wait for, and never after the session is destroyed;
// nothing here blocks or spins an event loop.
//
// answerText and logText only grow while a job runs. The lines a job receives in one
// event-loop turn are appended together and announced once: answerAppended /
// logAppended with where the new text starts, then xxxTextChanged, so a view can add
// the new end instead of laying out the whole text again. Keep no copy of these texts
// between two appends (read them when told, or a few times a second), or each append
// has to copy the whole text.
class RagSession final : public QObject
{
    Q_OBJECT
    Q_MOC_INCLUDE("rag/ragsettings.h")
    Q_PROPERTY(tovik::RagSettings *settings READ settings CONSTANT)
    Q_PROPERTY(QString logText READ logText WRITE setLogText NOTIFY logTextChanged)
    Q_PROPERTY(QString answerText READ answerText WRITE setAnswerText NOTIFY answerTextChanged)
    Q_PROPERTY(QString question READ question WRITE setQuestion NOTIFY questionChanged)
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY isBusyChanged)
    Q_PROPERTY(QString busyLabel READ busyLabel NOTIFY busyLabelChanged)
    Q_PROPERTY(bool isAsking READ isAsking NOTIFY isAskingChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)
    Q_PROPERTY(bool hasErrorMessage READ hasErrorMessage NOTIFY errorMessageChanged)
    Q_PROPERTY(QString notice READ noticeText NOTIFY noticeChanged)
    Q_PROPERTY(bool hasNotice READ hasNotice NOTIFY noticeChanged)
    Q_PROPERTY(int queuedCount READ queuedCount NOTIFY queuedCountChanged)
    Q_PROPERTY(QList<QUrl> ingestQueue READ ingestQueue NOTIFY ingestQueueChanged)
    Q_PROPERTY(quint64 jobGeneration READ jobGeneration NOTIFY jobGenerationChanged)
    Q_PROPERTY(bool didPrepare READ didPrepare NOTIFY didPrepareChanged)
    Q_DISABLE_COPY_MOVE(RagSession)

public:
    using Completion = std::function<void()>;

    explicit RagSession(RagSettings *settings, QObject *parent = nullptr);
    ~RagSession() override;

    RagSettings *settings() const { return m_settings; }

    const QString &logText() const { return m_logText; }
    void setLogText(const QString &text);

    const QString &answerText() const { return m_answerText; }
    void setAnswerText(const QString &text);
    void appendAnswerLine(QStringView line); // line + "\n", announced at once

    QString question() const { return m_question; }
    void setQuestion(const QString &question);

    bool isBusy() const { return m_isBusy; }
    QString busyLabel() const { return m_busyLabel; }
    bool isAsking() const { return m_isAsking; }

    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }
    bool hasErrorMessage() const { return m_errorMessage.has_value(); }
    void setErrorMessage(const std::optional<QString> &message);
    void clearErrorMessage() { setErrorMessage(std::nullopt); }

    std::optional<QString> notice() const { return m_notice; }
    QString noticeText() const { return m_notice.value_or(QString()); }
    bool hasNotice() const { return m_notice.has_value(); }
    void setNotice(const std::optional<QString> &notice);
    void clearNotice() { setNotice(std::nullopt); }

    int queuedCount() const { return m_queuedCount; }
    QList<QUrl> ingestQueue() const { return m_ingestQueue; }
    quint64 jobGeneration() const { return m_jobGeneration; }
    bool didPrepare() const { return m_didPrepare; }

    // When a tab is first shown: the first session prepared in the process checks the
    // status once. `done` runs when that check has ended (at once otherwise).
    void prepare(Completion done = {});
    // Runs "rag status" into the settings' statusText; does nothing while busy.
    // `done` runs when the status job has ended.
    void checkStatus(Completion done = {});
    // Asks the trimmed question; returns at once. Sets a notice instead while busy.
    void ask();
    // Queues the ingestible files among `locations` and starts the next one when idle.
    void enqueue(const QList<QUrl> &locations);
    // Stops the running job (its child is asked to terminate), drops the queue and
    // sets the notice "Cancelled.". The error message is left as it is.
    void cancel();
    // "Use This Path" on the settings page: checks ragPath, resolves, then checks the
    // status. `done` runs when all of that has ended.
    void applyRagPath(Completion done = {});

    // Job bookkeeping, public for the tests.
    std::optional<quint64> beginJob(const QString &label);
    void finishJob(quint64 generation);
    void startNextIngest();

    // Whether a session of this process has checked the status automatically.
    static bool statusCheckedThisLaunch();
    static void resetStatusCheckedThisLaunchForTesting();

    // The 15 lower-case file name extensions ingest accepts.
    static const QStringList &ingestibleExtensions();
    // File dialog name filters, one per content type the system knows for those
    // extensions, such as "PDF document (*.pdf)".
    static QStringList importableContentTypes();

Q_SIGNALS:
    void logTextChanged();
    // The text from `from` on is new: one or more lines, each with its line feed.
    void logAppended(qsizetype from);
    void answerTextChanged();
    void answerAppended(qsizetype from);
    void questionChanged();
    void isBusyChanged();
    void busyLabelChanged();
    void isAskingChanged();
    void errorMessageChanged();
    void noticeChanged();
    void queuedCountChanged();
    void ingestQueueChanged();
    void jobGenerationChanged();
    void didPrepareChanged();

private:
    void setBusy(bool busy);
    void setBusyLabel(const QString &label);
    void setAsking(bool asking);
    void setQueue(QList<QUrl> queue);
    void advanceGeneration();
    // Job output: lines are appended quietly and announced by announceAppends(), once
    // per turn of delivered lines.
    void addLogLine(const RagLine &line);
    void addAnswerLine(const RagLine &line);
    void addAnswerLines(QStringView lines);
    void announceAppends();
    // Starts `body` on a later event-loop turn as the session's current job.
    void startJob(std::function<void(const RagJobPtr &)> body);

    // One job's run of rag. Once rag is resolved: onNotFound when it cannot be found,
    // else onStart, the lines, and onEnd when the output has ended. A job cancelled on
    // the way gets onCancel instead, and only that.
    struct JobRun
    {
        QStringList arguments;
        RagLineHandler onLine;
        RagRunHandler onAnswerRun; // optional: answer lines in a row, at once
        std::function<void()> onStart;
        std::function<void()> onNotFound;
        std::function<void()> onEnd;
        std::function<void()> onCancel;
    };
    void runJob(const RagJobPtr &job, JobRun run);
    void runStatusJob(const RagJobPtr &job, quint64 generation, Completion done);
    void runAskJob(const RagJobPtr &job, const QString &question, quint64 generation);
    void runIngestJob(const RagJobPtr &job, const QUrl &location, quint64 generation);

    RagSettings *m_settings;
    QString m_logText;
    QString m_answerText;
    qsizetype m_logAppendedFrom = -1;    // start of the text not announced yet, or -1
    qsizetype m_answerAppendedFrom = -1;
    PageWarmer m_logWarmer; // pages ahead of the growing texts
    PageWarmer m_answerWarmer;
    QString m_question;
    bool m_isBusy = false;
    QString m_busyLabel;
    bool m_isAsking = false;
    std::optional<QString> m_errorMessage;
    std::optional<QString> m_notice;
    int m_queuedCount = 0;
    QList<QUrl> m_ingestQueue;
    RagJobPtr m_job;
    quint64 m_jobGeneration = 0;
    bool m_didPrepare = false;
};

} // namespace tovik
