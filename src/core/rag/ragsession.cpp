#include "rag/ragsession.h"

#include "i18n/translate.h"
#include "rag/ragsettings.h"

#include <QMimeDatabase>
#include <QTimer>

namespace tovik {

namespace {
bool g_statusCheckedThisLaunch = false;
} // namespace

RagSession::RagSession(RagSettings *settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    Q_ASSERT(settings);
}

RagSession::~RagSession()
{
    // A closed tab leaves no child running.
    if (m_job)
        m_job->cancel();
}

void RagSession::setLogText(const QString &text)
{
    announceAppends(); // what was appended before comes first
    if (m_logText == text)
        return;
    m_logText = text;
    Q_EMIT logTextChanged();
}

void RagSession::setAnswerText(const QString &text)
{
    announceAppends();
    if (m_answerText == text)
        return;
    m_answerText = text;
    Q_EMIT answerTextChanged();
}

void RagSession::appendAnswerLine(QStringView line)
{
    addAnswerLine(RagLine(line));
    announceAppends();
}

namespace {
// A first line is taken as it is: a huge one is handed over by the reader, not copied.
void appendLine(QString &text, const RagLine &line)
{
    if (text.isEmpty())
        text = line.take();
    else
        text.append(line.text());
    text.append(QLatin1Char('\n'));
}

// A text grown by a flood of output gets its next pages ready on a helper thread, and
// huge pages once it has a mapping of its own.
void warmAhead(PageWarmer &warmer, const QString &text)
{
    const qsizetype room = text.size() + text.data_ptr().freeSpaceAtEnd();
    // The block malloc() gave the text, its header included (read only).
    const void *allocation = const_cast<QString::DataPointer &>(text.data_ptr()).d_ptr();
    warmer.ahead(text.constData(), text.size() * qsizetype(sizeof(QChar)), room * qsizetype(sizeof(QChar)),
                 allocation);
}
} // namespace

void RagSession::addLogLine(const RagLine &line)
{
    if (m_logAppendedFrom < 0)
        m_logAppendedFrom = m_logText.size();
    appendLine(m_logText, line);
    warmAhead(m_logWarmer, m_logText);
}

void RagSession::addAnswerLine(const RagLine &line)
{
    if (m_answerAppendedFrom < 0)
        m_answerAppendedFrom = m_answerText.size();
    appendLine(m_answerText, line);
    warmAhead(m_answerWarmer, m_answerText);
}

// Lines that each end with LF already.
void RagSession::addAnswerLines(QStringView lines)
{
    if (m_answerAppendedFrom < 0)
        m_answerAppendedFrom = m_answerText.size();
    m_answerText.append(lines);
    warmAhead(m_answerWarmer, m_answerText);
}

void RagSession::announceAppends()
{
    if (const qsizetype from = std::exchange(m_logAppendedFrom, -1); from >= 0) {
        Q_EMIT logAppended(from);
        Q_EMIT logTextChanged();
    }
    if (const qsizetype from = std::exchange(m_answerAppendedFrom, -1); from >= 0) {
        Q_EMIT answerAppended(from);
        Q_EMIT answerTextChanged();
    }
}

void RagSession::setQuestion(const QString &question)
{
    if (m_question == question)
        return;
    m_question = question;
    Q_EMIT questionChanged();
}

void RagSession::setBusy(bool busy)
{
    if (m_isBusy == busy)
        return;
    m_isBusy = busy;
    Q_EMIT isBusyChanged();
}

void RagSession::setBusyLabel(const QString &label)
{
    if (m_busyLabel == label)
        return;
    m_busyLabel = label;
    Q_EMIT busyLabelChanged();
}

void RagSession::setAsking(bool asking)
{
    if (m_isAsking == asking)
        return;
    m_isAsking = asking;
    Q_EMIT isAskingChanged();
}

void RagSession::setErrorMessage(const std::optional<QString> &message)
{
    if (m_errorMessage == message)
        return;
    m_errorMessage = message;
    Q_EMIT errorMessageChanged();
}

void RagSession::setNotice(const std::optional<QString> &notice)
{
    if (m_notice == notice)
        return;
    m_notice = notice;
    Q_EMIT noticeChanged();
}

void RagSession::setQueue(QList<QUrl> queue)
{
    if (m_ingestQueue != queue) {
        m_ingestQueue = std::move(queue);
        Q_EMIT ingestQueueChanged();
    }
    const int count = int(m_ingestQueue.size());
    if (m_queuedCount != count) {
        m_queuedCount = count;
        Q_EMIT queuedCountChanged();
    }
}

void RagSession::advanceGeneration()
{
    ++m_jobGeneration;
    Q_EMIT jobGenerationChanged();
}

std::optional<quint64> RagSession::beginJob(const QString &label)
{
    if (m_isBusy)
        return std::nullopt;
    setBusy(true);
    setBusyLabel(label);
    advanceGeneration();
    return m_jobGeneration;
}

void RagSession::finishJob(quint64 generation)
{
    // A cancelled or overtaken job no longer owns the busy state.
    if (generation != m_jobGeneration)
        return;
    setBusy(false);
    setAsking(false);
    setBusyLabel(QString());
}

void RagSession::startJob(std::function<void(const RagJobPtr &)> body)
{
    auto job = std::make_shared<RagJob>();
    m_job = job;
    // Like a task: the job begins after the operation that started it has returned.
    QTimer::singleShot(0, this, [job, body = std::move(body)] { body(job); });
}

void RagSession::cancel()
{
    if (m_job) {
        m_job->cancel();
        m_job.reset();
    }
    advanceGeneration();
    setQueue({});
    setBusy(false);
    setAsking(false);
    setBusyLabel(QString());
    setNotice(translate(QStringLiteral("Cancelled.")));
}

void RagSession::prepare(Completion done)
{
    if (m_didPrepare) {
        if (done)
            done();
        return;
    }
    m_didPrepare = true;
    Q_EMIT didPrepareChanged();
    // Only the first session prepared after launch checks the status by itself.
    if (!g_statusCheckedThisLaunch) {
        g_statusCheckedThisLaunch = true;
        checkStatus(std::move(done));
    } else if (done) {
        done();
    }
}

bool RagSession::statusCheckedThisLaunch()
{
    return g_statusCheckedThisLaunch;
}

void RagSession::resetStatusCheckedThisLaunchForTesting()
{
    g_statusCheckedThisLaunch = false;
}

const QStringList &RagSession::ingestibleExtensions()
{
    static const QStringList extensions = {
        QStringLiteral("pdf"), QStringLiteral("docx"), QStringLiteral("pptx"), QStringLiteral("txt"),
        QStringLiteral("md"), QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
        QStringLiteral("webp"), QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("gif"),
        QStringLiteral("bmp"), QStringLiteral("heic"), QStringLiteral("heif"),
    };
    return extensions;
}

QStringList RagSession::importableContentTypes()
{
    const QMimeDatabase database;
    QStringList typeNames;
    QList<QStringList> patterns;
    QStringList comments;
    for (const QString &extension : ingestibleExtensions()) {
        const QMimeType type = database.mimeTypeForFile(QStringLiteral("file.") + extension,
                                                        QMimeDatabase::MatchExtension);
        if (!type.isValid() || type.isDefault())
            continue; // the system knows no type for it
        const qsizetype index = typeNames.indexOf(type.name());
        if (index >= 0) {
            patterns[index].append(QStringLiteral("*.") + extension);
        } else {
            typeNames.append(type.name());
            patterns.append({QStringLiteral("*.") + extension});
            comments.append(type.comment().isEmpty() ? type.name() : type.comment());
        }
    }
    QStringList filters;
    for (qsizetype i = 0; i < typeNames.size(); ++i)
        filters.append(comments[i] + QStringLiteral(" (") + patterns[i].join(QLatin1Char(' ')) + QLatin1Char(')'));
    return filters;
}

} // namespace tovik
