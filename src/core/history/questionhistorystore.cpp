#include "history/questionhistorystore.h"

#include "history/answerpacker.h"
#include "history/historyerrorcontext.h"
#include "history/savedattext.h"
#include "storage/sqliteconnection.h"
#include "storage/sqlitestatement.h"
#include "system/logcategories.h"
#include "i18n/translate.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

namespace tovik {

namespace {

// Read-write, create if missing, serialized threading mode.
constexpr int openFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
static_assert(openFlags == 0x10006);
constexpr int busyTimeoutMs = 2000;

// Both statements are idempotent, so the script runs on every open.
constexpr char schemaSql[] = "CREATE TABLE IF NOT EXISTS question_records (\n"
                             "    id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
                             "    saved_at TEXT NOT NULL,\n"
                             "    question TEXT NOT NULL,\n"
                             "    answer TEXT NOT NULL,\n"
                             "    working_directory TEXT NOT NULL\n"
                             ");\n"
                             "CREATE INDEX IF NOT EXISTS question_records_saved_at\n"
                             "ON question_records (saved_at DESC, id DESC);";
constexpr char insertSql[] = "INSERT INTO question_records (saved_at, question, answer, working_directory)\n"
                             "VALUES (?, ?, ?, ?)";
constexpr char loadSql[] = "SELECT id, saved_at, question, answer, working_directory\n"
                           "FROM question_records\n"
                           "ORDER BY saved_at DESC, id DESC";
constexpr char deleteSql[] = "DELETE FROM question_records WHERE id = ?";

constexpr char openFailed[] = "Couldn't open questions: {detail}";
constexpr char readFailed[] = "Couldn't read questions: {detail}";
constexpr char writeFailed[] = "Couldn't write the question: {detail}";
constexpr char deleteFailed[] = "Couldn't delete the question: {detail}";

} // namespace

QuestionHistoryStore::QuestionHistoryStore(QObject *parent)
    : QuestionHistoryStore(QString(), Clock(), parent)
{
}

QuestionHistoryStore::QuestionHistoryStore(QString databasePath, Clock clock, QObject *parent)
    : QObject(parent)
    , m_databasePath(std::move(databasePath))
    , m_clock(std::move(clock))
{
}

QuestionHistoryStore::~QuestionHistoryStore()
{
    // The application keeps its store for the whole run; closing here only
    // matters to short-lived stores such as those of tests and tools.
    sqlite::close(m_database);
}

QString QuestionHistoryStore::defaultDatabasePath()
{
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataFolder.isEmpty())
        return {};
    return dataFolder + QStringLiteral("/tovikRAGUI/questions.sqlite");
}

QString QuestionHistoryStore::databasePath() const
{
    return m_databasePath.isEmpty() ? defaultDatabasePath() : m_databasePath;
}

void QuestionHistoryStore::openIfNeeded()
{
    if (!m_database && !openFile())
        return;
    if (m_loaded)
        return;
    // Until the list has been read once, every use tries the schema and the read
    // again: a lock that another program held while the application started must not
    // leave the list empty, or short of the records on disk, for the whole run. A
    // broken schema keeps the connection, and later writes report what is wrong.
    if (const auto schemaError = SqliteStatement::execute(m_database, schemaSql)) {
        fail(openFailed, *schemaError, sqlite::errorCode(m_database));
        return;
    }
    load();
}

void QuestionHistoryStore::reload()
{
    if (!m_loaded) {
        openIfNeeded();
        return;
    }
    load();
}

bool QuestionHistoryStore::openFile()
{
    const QString path = databasePath();
    if (path.isEmpty()) {
        fail(openFailed, QStringLiteral("No writable data folder is available."));
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(QFileInfo(path).absolutePath()).toStdString(), error);
    if (error) {
        fail(openFailed, QString::fromStdString(error.message()));
        return false;
    }

    const sqlite::Opened opened = sqlite::open(QFile::encodeName(path), openFlags);
    if (!opened.database) {
        fail(openFailed, opened.error, opened.code);
        return false;
    }
    sqlite::setBusyTimeout(opened.database, busyTimeoutMs);
    m_database = opened.database;
    qCInfo(lcHistory) << "opened" << path;
    return true;
}

void QuestionHistoryStore::load()
{
    SqliteStatement statement(m_database, loadSql);
    if (!statement.isPrepared()) {
        failWithConnectionError(readFailed);
        return;
    }
    QList<QuestionRecord> loaded;
    // Many records share a few folders: keep each folder's text once.
    QSet<QString> folders;
    // Answers are packed on the thread pool while reading goes on.
    AnswerPacker answers(loaded);
    int result;
    while ((result = statement.step()) == SQLITE_ROW) {
        qsizetype savedAtSize = 0;
        const char *savedAt = statement.columnBytes(1, &savedAtSize);
        qsizetype answerSize = 0;
        const char *answer = statement.columnBytes(3, &answerSize);
        const QByteArrayView answerBytes(answer, answerSize);
        QString folder = statement.columnText(4);
        folder = *folders.insert(std::move(folder));
        loaded.append(QuestionRecord{statement.columnInt64(0), parseSavedAt(QByteArrayView(savedAt, savedAtSize)),
                                     statement.columnText(2), PackedText(), std::move(folder)});
        answers.add(answerBytes);
    }
    if (result != SQLITE_DONE) {
        failWithConnectionError(readFailed);
        return;
    }
    answers.finish();
    m_loaded = true;
    qCDebug(lcHistory) << "read" << loaded.size() << "records";
    setRecords(std::move(loaded));
    setLastError(QString());
}

std::optional<QuestionRecord> QuestionHistoryStore::save(const QString &question, const QString &answer,
                                                         const QString &workingDirectory)
{
    openIfNeeded();
    const QString trimmedAnswer = answer.trimmed();
    QuestionRecord record{0, QDateTime(), question.trimmed(), PackedText::fromString(trimmedAnswer), workingDirectory};
    if (record.question.isEmpty()) {
        setLastError(translate(QStringLiteral("There's no question to save.")));
        return std::nullopt;
    }
    if (!m_database)
        return std::nullopt;

    record.savedAt = m_clock ? m_clock() : QDateTime::currentDateTimeUtc();
    SqliteStatement insert(m_database, insertSql);
    if (!insert.isPrepared() || !insert.bindUtf8(1, formatSavedAt(record.savedAt))
        || !insert.bindText(2, record.question) || !insert.bindText(3, trimmedAnswer)
        || !insert.bindText(4, record.workingDirectory) || insert.step() != SQLITE_DONE) {
        failWithConnectionError(writeFailed);
        return std::nullopt;
    }
    record.id = sqlite::lastInsertRowId(m_database);
    if (m_loaded) {
        m_records.prepend(record);
        Q_EMIT recordsChanged();
        setLastError(QString());
    } else {
        load(); // the list was never read: read it whole now, this record with it
    }
    return record;
}

bool QuestionHistoryStore::deleteRecords(const QSet<qint64> &ids)
{
    openIfNeeded();
    if (ids.isEmpty() || !m_database)
        return false;

    if (const auto beginError = SqliteStatement::execute(m_database, "BEGIN IMMEDIATE")) {
        fail(deleteFailed, *beginError, sqlite::errorCode(m_database));
        return false;
    }
    // The message and its code are taken before ROLLBACK, whose success would replace them.
    const auto rollBack = [this](const QString &detail) {
        const int code = sqlite::errorCode(m_database);
        SqliteStatement::execute(m_database, "ROLLBACK");
        fail(deleteFailed, detail, code);
        return false;
    };
    SqliteStatement statement(m_database, deleteSql);
    if (!statement.isPrepared())
        return rollBack(sqliteMessage(m_database));
    for (const qint64 id : ids) {
        statement.reset();
        statement.clearBindings();
        if (!statement.bindInt64(1, id) || statement.step() != SQLITE_DONE)
            return rollBack(sqliteMessage(m_database));
    }
    statement.reset();
    if (const auto commitError = SqliteStatement::execute(m_database, "COMMIT"))
        return rollBack(*commitError);

    if (m_records.removeIf([&ids](const QuestionRecord &record) { return ids.contains(record.id); }) > 0)
        Q_EMIT recordsChanged();
    setLastError(QString());
    return true;
}

void QuestionHistoryStore::setRecords(QList<QuestionRecord> records)
{
    if (records == m_records)
        return;
    m_records = std::move(records);
    Q_EMIT recordsChanged();
}

void QuestionHistoryStore::setLastError(const QString &message)
{
    if (message == m_lastError)
        return;
    m_lastError = message;
    Q_EMIT lastErrorChanged();
}

void QuestionHistoryStore::fail(const char *englishTemplate, const QString &detail, int sqliteResultCode)
{
    // SQLite's words stay as they are; a sentence after them says what they mean here.
    QString message = translated(QString::fromUtf8(englishTemplate), {{QStringLiteral("detail"), detail}});
    if (const QString context = historyErrorContext(sqliteResultCode, databasePath()); !context.isEmpty())
        message += QLatin1Char(' ') + context;
    qCWarning(lcHistory).noquote() << databasePath() << QString::fromUtf8(englishTemplate).replace(QStringLiteral("{detail}"), detail);
    setLastError(message);
}

void QuestionHistoryStore::failWithConnectionError(const char *englishTemplate)
{
    fail(englishTemplate, sqliteMessage(m_database), sqlite::errorCode(m_database));
}

} // namespace tovik
