#include "history/packedtextdictionary.h"
#include "history/questionhistorystore.h"
#include "history/savedattext.h"
#include "i18n/interfacelanguage.h"
#include "i18n/translate.h"
#include "support/everydaywords.h"
#include "support/isolatedhome.h"
#include "support/unwritablefile.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QThread>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <sqlite3.h>
#include <sys/resource.h>

#include <csignal>
#include <memory>

using namespace tovik;

namespace {

// A second, independent connection to the history file, as another process would have.
struct Connection
{
    explicit Connection(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~Connection() { sqlite3_close_v2(handle); }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool exec(const char *sql) { return sqlite3_exec(handle, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

    // The first column of every row, as raw bytes.
    QList<QByteArray> column(const char *sql)
    {
        QList<QByteArray> values;
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(handle, sql, -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const auto *bytes = static_cast<const char *>(sqlite3_column_blob(statement, 0));
            values.append(QByteArray(bytes, sqlite3_column_bytes(statement, 0)));
        }
        sqlite3_finalize(statement);
        return values;
    }

    sqlite3 *handle = nullptr;
};

QList<qint64> idsOf(const QList<QuestionRecord> &records)
{
    QList<qint64> ids;
    for (const QuestionRecord &record : records)
        ids.append(record.id);
    return ids;
}

QString message(const char *englishTemplate, const char *detail)
{
    return translated(QString::fromUtf8(englishTemplate), {{QStringLiteral("detail"), QString::fromUtf8(detail)}});
}

// The message followed by its sentence of context about the file at `path`.
QString explained(const char *englishTemplate, const char *detail, const char *context, const QString &path)
{
    return message(englishTemplate, detail) + QLatin1Char(' ')
        + translated(QString::fromUtf8(context), {{QStringLiteral("path"), path}});
}

const char lockedContext[] = "Another program is using {path}; try again when it has finished.";
const char damagedContext[] = "{path} is damaged or isn't a question database.";

} // namespace

class TestQuestionHistoryStore : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init();
    // First: the answers' dictionary, once made, stays for the rest of the process.
    void answersAreReadBackExactlyWhileTheDictionaryIsLearned();
    void firstLaunchCreatesFolderFileTableAndIndex();
    void saveTrimsQuestionAndAnswerOnly();
    void blankQuestionIsRefused();
    void sameMillisecondSavesOrderByIdAfterReopening();
    void unreadableSavedAtIsStillListed();
    void deleteSkipsMissingIdsAndNeverReusesIds();
    void deleteWaitsForAWriteLockThenChangesNothing();
    void failedRowRollsBackTheWholeDelete();
    void refusedInsertIsReportedAndNotListed();
    void brokenFileKeepsTheConnection();
    void failedOpenIsRetried();
    void lockAtStartUpOnlyDelaysTheList();
    void unwritableFileOrFailingDiskIsExplained();
    void oddTextRoundTripsByteForByte();
    void killedWhileSavingKeepsEverySavedRecord();

private:
    QString m_path;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestQuestionHistoryStore::init()
{
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    m_dir = std::make_unique<QTemporaryDir>();
    m_path = m_dir->filePath(QStringLiteral("history/questions.sqlite"));
}

void TestQuestionHistoryStore::firstLaunchCreatesFolderFileTableAndIndex()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/tovikRAGUI");
    QVERIFY(folder.startsWith(test::isolatedHomePath()));
    QuestionHistoryStore store;
    QSignalSpy recordsSpy(&store, &QuestionHistoryStore::recordsChanged);
    QSignalSpy errorSpy(&store, &QuestionHistoryStore::lastErrorChanged);
    QVERIFY(!QFileInfo::exists(folder)); // opened on first use, not when made

    store.openIfNeeded();
    QVERIFY(store.isOpen());
    QVERIFY(QFileInfo(folder + QStringLiteral("/questions.sqlite")).isFile());
    QVERIFY(store.records().isEmpty());
    QVERIFY(store.lastError().isEmpty());
    QCOMPARE(recordsSpy.count(), 0);
    QCOMPARE(errorSpy.count(), 0);

    Connection file(folder + QStringLiteral("/questions.sqlite"));
    QCOMPARE(file.column("SELECT sql FROM sqlite_master WHERE name = 'question_records_saved_at'"),
             QList<QByteArray>{"CREATE INDEX question_records_saved_at\nON question_records (saved_at DESC, id DESC)"});
    QCOMPARE(file.column("SELECT name || ' ' || type || ' ' || \"notnull\" FROM pragma_table_info('question_records')"),
             (QList<QByteArray>{"id INTEGER 0", "saved_at TEXT 1", "question TEXT 1", "answer TEXT 1",
                                "working_directory TEXT 1"}));
}

void TestQuestionHistoryStore::saveTrimsQuestionAndAnswerOnly()
{
    const QDateTime moment(QDate(2024, 3, 5), QTime(17, 7, 2, 481), QTimeZone("Asia/Hong_Kong"));
    QuestionHistoryStore store(m_path, [&] { return moment; });
    QVERIFY(store.save(QStringLiteral("older"), QStringLiteral("a"), QString()));
    QVERIFY(!store.save(QStringLiteral(" "), QString(), QString())); // leaves an error to clear
    QSignalSpy recordsSpy(&store, &QuestionHistoryStore::recordsChanged);

    const QString workingDirectory = QStringLiteral("  ~/proj \n");
    const auto record = store.save(QStringLiteral("  What is X?\n"), QStringLiteral(" \n"), workingDirectory);
    QVERIFY(record);
    QCOMPARE(record->question, QStringLiteral("What is X?"));
    QCOMPARE(record->answer, QString());
    QCOMPARE(record->workingDirectory, workingDirectory);
    QCOMPARE(record->savedAt, moment);
    QVERIFY(record->id > store.records().last().id);
    QCOMPARE(store.records().first(), *record);
    QCOMPARE(recordsSpy.count(), 1);
    QVERIFY(store.lastError().isEmpty());

    // Unicode spaces and line separators count as white space too.
    QCOMPARE(store.save(QStringLiteral("\u2028\u3000Q\u00a0\r\n"), QStringLiteral("\tA\u2029"), {})->question,
             QStringLiteral("Q"));
    QCOMPARE(store.records().first().answer, QStringLiteral("A"));

    Connection file(m_path);
    QCOMPARE(file.column("SELECT saved_at FROM question_records WHERE question = 'What is X?'"),
             QList<QByteArray>{"2024-03-05T09:07:02.481Z"});
    QuestionHistoryStore reopened(m_path, {});
    reopened.openIfNeeded();
    QCOMPARE(reopened.records(), store.records());
}

void TestQuestionHistoryStore::blankQuestionIsRefused()
{
    QuestionHistoryStore store(m_path, {});
    QSignalSpy recordsSpy(&store, &QuestionHistoryStore::recordsChanged);
    QSignalSpy errorSpy(&store, &QuestionHistoryStore::lastErrorChanged);
    QVERIFY(!store.save(QStringLiteral("  \n\t\r\n "), QStringLiteral("an answer"), QStringLiteral("/w")));
    QCOMPARE(store.lastError(), QStringLiteral("There's no question to save."));
    QVERIFY(!store.save(QString(), QString(), QString()));
    QCOMPARE(errorSpy.count(), 1); // the same message again is no change
    QCOMPARE(recordsSpy.count(), 0);
    QVERIFY(Connection(m_path).column("SELECT id FROM question_records").isEmpty());
}

void TestQuestionHistoryStore::sameMillisecondSavesOrderByIdAfterReopening()
{
    QDateTime now(QDate(2024, 3, 5), QTime(9, 7, 2, 481), Qt::UTC);
    QuestionHistoryStore store(m_path, [&] { return now; });
    const auto first = store.save(QStringLiteral("first"), QString(), QString());
    const auto second = store.save(QStringLiteral("second"), QString(), QString());
    now = now.addSecs(-60); // the clock went back: kept at the front until the next launch
    const auto third = store.save(QStringLiteral("third"), QString(), QString());
    QVERIFY(first && second && third);
    QCOMPARE(idsOf(store.records()), (QList<qint64>{third->id, second->id, first->id}));

    QCOMPARE(Connection(m_path).column("SELECT DISTINCT saved_at FROM question_records WHERE id < 3"),
             QList<QByteArray>{"2024-03-05T09:07:02.481Z"});
    QuestionHistoryStore reopened(m_path, {});
    reopened.openIfNeeded();
    QCOMPARE(idsOf(reopened.records()), (QList<qint64>{second->id, first->id, third->id}));
}

void TestQuestionHistoryStore::unreadableSavedAtIsStillListed()
{
    QuestionHistoryStore(m_path, {}).openIfNeeded();
    Connection file(m_path);
    QVERIFY(file.exec("INSERT INTO question_records (saved_at, question, answer, working_directory) VALUES "
                      "('2024-03-05T09:07:02.481Z', 'good', '', ''),"
                      "('2024-03-05 09:07:02', 'spaced', '', ''),"
                      "('yesterday', 'word', '', ''),"
                      "(20240305, 'number', '', '')"));

    QuestionHistoryStore store(m_path, {});
    store.openIfNeeded();
    QVERIFY(store.lastError().isEmpty());
    QStringList questions;
    for (const QuestionRecord &record : store.records()) {
        questions.append(record.question);
        QCOMPARE(record.savedAt, record.question == QStringLiteral("good")
                                     ? QDateTime(QDate(2024, 3, 5), QTime(9, 7, 2, 481), Qt::UTC)
                                     : distantPast());
    }
    // Listed where their text sorts, newest first (the column's text affinity stores the number as "20240305").
    QCOMPARE(questions, (QStringList{QStringLiteral("word"), QStringLiteral("number"), QStringLiteral("good"),
                                     QStringLiteral("spaced")}));
}

void TestQuestionHistoryStore::deleteSkipsMissingIdsAndNeverReusesIds()
{
    QuestionHistoryStore store(m_path, {});
    const qint64 a = store.save(QStringLiteral("a"), QString(), QString())->id;
    const qint64 b = store.save(QStringLiteral("b"), QString(), QString())->id;
    const qint64 c = store.save(QStringLiteral("c"), QString(), QString())->id;
    QVERIFY(!store.save(QString(), QString(), QString()));
    QSignalSpy recordsSpy(&store, &QuestionHistoryStore::recordsChanged);

    QVERIFY(!store.deleteRecords({})); // nothing to do: even the old error stays
    QCOMPARE(store.lastError(), QStringLiteral("There's no question to save."));

    QVERIFY(store.deleteRecords({a, c, c + 1000}));
    QCOMPARE(idsOf(store.records()), QList<qint64>{b});
    QCOMPARE(recordsSpy.count(), 1);
    QVERIFY(store.lastError().isEmpty());
    QCOMPARE(Connection(m_path).column("SELECT question FROM question_records"), QList<QByteArray>{"b"});

    QVERIFY(store.deleteRecords({c + 1000}));
    QCOMPARE(recordsSpy.count(), 1); // nothing removed, nothing announced
    QVERIFY(store.save(QStringLiteral("d"), QString(), QString())->id > c);
}

void TestQuestionHistoryStore::deleteWaitsForAWriteLockThenChangesNothing()
{
    QuestionHistoryStore store(m_path, {});
    const qint64 a = store.save(QStringLiteral("a"), QString(), QString())->id;
    const qint64 b = store.save(QStringLiteral("b"), QString(), QString())->id;
    const QList<QuestionRecord> before = store.records();

    Connection other(m_path);
    QVERIFY(other.exec("BEGIN IMMEDIATE")); // held through the store's whole 2 s wait
    QVERIFY(!store.deleteRecords({a, b}));
    QCOMPARE(store.lastError(), explained("Couldn't delete the question: {detail}", "database is locked", lockedContext, m_path));
    QCOMPARE(store.records(), before);
    QVERIFY(other.exec("ROLLBACK"));
    QCOMPARE(Connection(m_path).column("SELECT count(*) FROM question_records"), QList<QByteArray>{"2"});

    // The connection was left outside any transaction: the next delete goes through.
    QVERIFY(store.deleteRecords({a}));
    QCOMPARE(Connection(m_path).column("SELECT question FROM question_records"), QList<QByteArray>{"b"});
}

void TestQuestionHistoryStore::failedRowRollsBackTheWholeDelete()
{
    QuestionHistoryStore store(m_path, {});
    const qint64 a = store.save(QStringLiteral("a"), QString(), QString())->id;
    const qint64 b = store.save(QStringLiteral("b"), QString(), QString())->id;
    const qint64 c = store.save(QStringLiteral("c"), QString(), QString())->id;
    const QList<QuestionRecord> before = store.records();
    Connection file(m_path);
    QVERIFY(file.exec("CREATE TRIGGER keep_b BEFORE DELETE ON question_records WHEN old.question = 'b' "
                      "BEGIN SELECT RAISE(ABORT, 'b is kept'); END"));

    QVERIFY(!store.deleteRecords({a, b, c}));
    // The cause is read before the rollback, which would otherwise replace it.
    QCOMPARE(store.lastError(), message("Couldn't delete the question: {detail}", "b is kept"));
    QCOMPARE(store.records(), before);
    QCOMPARE(file.column("SELECT count(*) FROM question_records"), QList<QByteArray>{"3"});
    QVERIFY(store.deleteRecords({a, c}));
    QCOMPARE(idsOf(store.records()), QList<qint64>{b});
}

void TestQuestionHistoryStore::refusedInsertIsReportedAndNotListed()
{
    QuestionHistoryStore store(m_path, {});
    const auto kept = store.save(QStringLiteral("kept"), QString(), QString());
    QVERIFY(kept);
    Connection file(m_path);
    // The statement prepares and binds; only its step fails.
    QVERIFY(file.exec("CREATE TRIGGER refuse BEFORE INSERT ON question_records "
                      "BEGIN SELECT RAISE(ABORT, 'disk quota exceeded'); END"));
    QSignalSpy recordsSpy(&store, &QuestionHistoryStore::recordsChanged);

    QVERIFY(!store.save(QStringLiteral("lost"), QStringLiteral("a"), QString()));
    QCOMPARE(store.lastError(), message("Couldn't write the question: {detail}", "disk quota exceeded"));
    QCOMPARE(store.records(), QList<QuestionRecord>{*kept});
    QCOMPARE(recordsSpy.count(), 0);

    QVERIFY(file.exec("DROP TRIGGER refuse"));
    const auto saved = store.save(QStringLiteral("next"), QString(), QString());
    QVERIFY(saved && saved->id > kept->id);
    QVERIFY(store.lastError().isEmpty());
    QCOMPARE(idsOf(store.records()), (QList<qint64>{saved->id, kept->id}));
}

void TestQuestionHistoryStore::brokenFileKeepsTheConnection()
{
    QVERIFY(QDir().mkpath(QFileInfo(m_path).absolutePath()));
    const QByteArray junk = QByteArray("these are notes, not a database\n").repeated(64);
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(junk);
    file.close();

    QuestionHistoryStore store(m_path, {});
    QSignalSpy errorSpy(&store, &QuestionHistoryStore::lastErrorChanged);
    store.openIfNeeded();
    QVERIFY(store.isOpen());
    QCOMPARE(store.lastError(),
             explained("Couldn't open questions: {detail}", "file is not a database", damagedContext, m_path));
    store.openIfNeeded(); // tried again, with the same outcome: nothing new to tell
    QCOMPARE(errorSpy.count(), 1);
    QVERIFY(store.records().isEmpty());

    QVERIFY(!store.save(QStringLiteral("q"), QStringLiteral("a"), QString()));
    QCOMPARE(store.lastError(),
             explained("Couldn't write the question: {detail}", "file is not a database", damagedContext, m_path));
    QVERIFY(!store.deleteRecords({1}));
    QVERIFY(store.lastError().startsWith(QStringLiteral("Couldn't delete the question: ")));

    // The template follows the language; SQLite's own words are left as they are.
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    QVERIFY(!store.save(QStringLiteral("q"), QStringLiteral("a"), QString()));
    const QString chineseTemplate = translate(QStringLiteral("Couldn't write the question: {detail}"));
    const QString chinese = store.lastError();
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    QVERIFY(!chineseTemplate.startsWith(QStringLiteral("Couldn't")));
    QCOMPARE(chinese, fill(chineseTemplate, {{QStringLiteral("detail"), QStringLiteral("file is not a database")}})
                          + QStringLiteral(" ") + m_path + QStringLiteral(" 已損毀，或不是提問資料庫。"));

    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), junk);
}

void TestQuestionHistoryStore::failedOpenIsRetried()
{
    // A plain file where the folder should be.
    const QString blocker = QFileInfo(m_path).absolutePath();
    QVERIFY(QFile(blocker).open(QIODevice::WriteOnly));
    QuestionHistoryStore store(m_path, {});
    store.openIfNeeded();
    QVERIFY(!store.isOpen());
    const QString openPrefix = QStringLiteral("Couldn't open questions: ");
    QVERIFY(store.lastError().startsWith(openPrefix));
    QVERIFY(store.lastError().size() > openPrefix.size());
    QVERIFY(!store.save(QStringLiteral("q"), QStringLiteral("a"), QString()));
    QVERIFY(store.lastError().startsWith(openPrefix)); // the opening message stays
    QVERIFY(!store.deleteRecords({1}));

    // A folder where the file should be: SQLite itself refuses.
    QVERIFY(QFile::remove(blocker));
    QVERIFY(QDir().mkpath(m_path));
    store.openIfNeeded();
    QVERIFY(!store.isOpen());
    QCOMPARE(store.lastError(), explained("Couldn't open questions: {detail}", "unable to open database file",
                                          "{path} can't be opened; check that its folder exists and can be written to.",
                                          m_path));

    QVERIFY(QDir(m_path).removeRecursively());
    QVERIFY(store.save(QStringLiteral("q"), QStringLiteral("a"), QString()));
    QVERIFY(store.isOpen());
    QVERIFY(store.lastError().isEmpty());
}

void TestQuestionHistoryStore::lockAtStartUpOnlyDelaysTheList()
{
    QuestionHistoryStore(m_path, {}).openIfNeeded();
    Connection other(m_path);
    for (int i = 0; i < 22; ++i)
        QVERIFY(other.exec("INSERT INTO question_records (saved_at, question, answer, working_directory) "
                           "VALUES ('2024-03-05T09:07:02.481Z', 'earlier', '', '')"));

    // Another program holds the file while the application starts.
    QVERIFY(other.exec("BEGIN EXCLUSIVE"));
    QuestionHistoryStore store(m_path, {});
    store.openIfNeeded();
    QCOMPARE(store.lastError(), explained("Couldn't open questions: {detail}", "database is locked", lockedContext, m_path));
    QVERIFY(store.records().isEmpty());

    // Once it lets go, the next save reads the whole list along with the new record.
    QVERIFY(other.exec("ROLLBACK"));
    const auto saved = store.save(QStringLiteral("later"), QString(), QString());
    QVERIFY(saved && store.lastError().isEmpty());
    QCOMPARE(store.records().size(), 23);
    QCOMPARE(store.records().first(), *saved);
}

void TestQuestionHistoryStore::unwritableFileOrFailingDiskIsExplained()
{
    QVERIFY(QuestionHistoryStore(m_path, {}).save(QStringLiteral("kept"), QString(), QString()));
    // The message of a save that failed, or "saved".
    const auto trySave = [this] {
        QuestionHistoryStore store(m_path, {});
        const bool saved = store.save(QStringLiteral("q"), QString(512 * 1024, QLatin1Char('x')), QString()).has_value();
        return saved ? QStringLiteral("saved") : store.lastError();
    };
    // A write the system refuses (here: over the process's file size limit).
    rlimit limit{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &limit) == 0);
    const rlimit before = limit;
    limit.rlim_cur = 256 * 1024;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limit) == 0);
    const QString refused = trySave();
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(refused, explained("Couldn't write the question: {detail}", "disk I/O error",
                                "The disk reported an error reading or writing {path}.", m_path));

    // A file that can't be written is opened for reading only.
    if (!test::makeUnwritable(m_path))
        QSKIP("this file system cannot make a file unwritable");
    const QString readOnly = trySave();
    test::makeWritable(m_path);
    QCOMPARE(readOnly, explained("Couldn't write the question: {detail}", "attempt to write a readonly database",
                                 "{path} can't be written; check its permissions.", m_path));
    QCOMPARE(Connection(m_path).column("SELECT question FROM question_records"), QList<QByteArray>{"kept"});
}

void TestQuestionHistoryStore::oddTextRoundTripsByteForByte()
{
    const QString question = QStringLiteral("Family 👩‍👩‍👧 and 🇭🇰\u2028second line \u200Fשלום\u200E \u202Eevil\u202C "
                                            "e\u0301 vs é, zero\u200Bwidth, \uFEFFbom, 𝔘𝔫𝔦, 中文？");
    const QString answer = QStringLiteral("before\u2029after\r\nwith a NUL ") + QChar(u'\0') + QStringLiteral(" inside");
    const QString workingDirectory = QStringLiteral("\u2028/tmp/עברית \u200Fdir\u2028 "); // never trimmed
    QuestionHistoryStore store(m_path, {});
    const auto record = store.save(question, answer, workingDirectory);
    QVERIFY(record);
    QCOMPARE(record->question, question);
    QCOMPARE(record->answer, answer);

    Connection file(m_path);
    QCOMPARE(file.column("SELECT question FROM question_records"), QList<QByteArray>{question.toUtf8()});
    QCOMPARE(file.column("SELECT answer FROM question_records"), QList<QByteArray>{answer.toUtf8()});
    QCOMPARE(file.column("SELECT working_directory FROM question_records"),
             QList<QByteArray>{workingDirectory.toUtf8()});
    QuestionHistoryStore reopened(m_path, {});
    reopened.openIfNeeded();
    QCOMPARE(reopened.records(), QList<QuestionRecord>{*record});

    // A long Chinese answer, read back, holds about its own size, not a unit per
    // UTF-8 byte (three times as much), for as long as the history is listed.
    const QString chinese = QStringLiteral("預算增加的原因是人手及設備開支上升。").repeated(500);
    QVERIFY(store.save(QStringLiteral("中文"), chinese, QString()));
    QuestionHistoryStore third(m_path, {});
    third.openIfNeeded();
    QCOMPARE(third.records().size(), 2);
    const PackedText &read = third.records().constFirst().answer;
    QCOMPARE(read.toString(), chinese);
    QVERIFY2(read.storedBytes() <= chinese.size() * qsizetype(sizeof(char16_t)),
             qPrintable(QString::number(read.storedBytes())));
}

void TestQuestionHistoryStore::killedWhileSavingKeepsEverySavedRecord()
{
    QSet<qint64> reported;
    for (int round = 0; round < 6; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(TOVIK_HISTORY_SAVER), {m_path});
        QVERIFY2(saver.waitForStarted(), qPrintable(saver.errorString()));
        int lines = 0;
        // Kill it at a different point of its loop each round.
        while (lines < 10 + 7 * round && saver.waitForReadyRead(20000)) {
            while (saver.canReadLine()) {
                const QByteArray line = saver.readLine().trimmed();
                QVERIFY2(line.startsWith("saved "), line.constData());
                reported.insert(line.mid(6).toLongLong());
                ++lines;
            }
        }
        // A save takes some milliseconds; a growing pause moves the kill across it.
        QThread::msleep(3 * round);
        saver.kill();
        QVERIFY(saver.waitForFinished());
        QCOMPARE(saver.exitStatus(), QProcess::CrashExit);
        // A left-over journal means the kill cut a write short; not every round manages to.
        qInfo("round %d: killed during a write: %s", round, QFile::exists(m_path + "-journal") ? "yes" : "no");
        for (const QByteArray &line : saver.readAllStandardOutput().split('\n')) {
            if (line.startsWith("saved "))
                reported.insert(line.mid(6).toLongLong());
        }
        QVERIFY2(lines > 0, saver.readAllStandardError().constData());

        QuestionHistoryStore store(m_path, {});
        store.openIfNeeded();
        QVERIFY2(store.lastError().isEmpty(), qPrintable(store.lastError()));
        const QList<qint64> ids = idsOf(store.records());
        const QSet<qint64> listed(ids.cbegin(), ids.cend());
        QVERIFY(listed.contains(reported));
        QCOMPARE(Connection(m_path).column("PRAGMA integrity_check"), QList<QByteArray>{"ok"});
    }
}

void TestQuestionHistoryStore::answersAreReadBackExactlyWhileTheDictionaryIsLearned()
{
    QVERIFY2(!PackedTextDictionary::current(), "an earlier test made the dictionary this test is about");
    QRandomGenerator random(5);
    const QStringList words = test::everydayWords(random, 300);
    QHash<QString, QString> saved; // question → answer
    QuestionHistoryStore store(m_path, {});
    const auto saveSome = [&](int count) {
        for (int i = 0; i < count; ++i) {
            QString answer;
            for (const int length = int(random.bounded(300, 900)); answer.size() < length;)
                answer += words.at(random.bounded(words.size())) + QLatin1Char(' ');
            if (saved.size() % 17 == 3)
                answer = QString(); // some questions have no answer
            const QString question = QStringLiteral("Question %1").arg(saved.size());
            QVERIFY(store.save(question, answer, QString()));
            saved.insert(question, answer.trimmed());
        }
    };
    qsizetype withDictionary = 0;
    const auto readBack = [&] {
        QuestionHistoryStore reopened(m_path, {});
        reopened.openIfNeeded();
        QCOMPARE(reopened.records().size(), saved.size());
        withDictionary = 0;
        for (const QuestionRecord &record : reopened.records()) {
            QVERIFY2(record.answer.toString() == saved.value(record.question), qPrintable(record.question));
            withDictionary += record.answer.form() == PackedText::Form::compressedUtf8WithDictionary;
        }
    };

    // Too few answers to learn from: none is kept with a dictionary.
    saveSome(5);
    readBack();
    QCOMPARE(withDictionary, 0);
    QVERIFY(!PackedTextDictionary::current());
    // Enough: the first answers read make it, and those use it.
    saveSome(15);
    readBack();
    QVERIFY(PackedTextDictionary::current());
    QVERIFY(PackedTextDictionary::current()->bytes().size() >= PackedTextDictionary::minimumSize);
    QVERIFY2(withDictionary >= 15, qPrintable(QString::number(withDictionary)));
    // Later answers, read in several chunks, use it too.
    saveSome(1200);
    readBack();
    QVERIFY2(withDictionary >= 1100, qPrintable(QString::number(withDictionary)));
}

QTEST_GUILESS_MAIN(TestQuestionHistoryStore)
#include "test_questionhistorystore.moc"
