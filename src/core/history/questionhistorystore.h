#pragma once

#include "history/questionrecord.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

struct sqlite3;

namespace tovik {

// The saved questions of this user, in "questions.sqlite", with the whole list
// held in memory newest first. One store per process, used on the interface
// thread only; every operation is synchronous. The file is opened on first use
// and the connection kept; the in-memory list is read from the file once, on the
// first use that succeeds in reading it (each use tries again until one does), and
// then kept in step by save and deleteRecords. Failure messages give SQLite's own
// words followed by a sentence saying what they mean for the history file.
class QuestionHistoryStore final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<tovik::QuestionRecord> records READ records NOTIFY recordsChanged)
    Q_PROPERTY(QString lastError READ lastError NOTIFY lastErrorChanged)
    Q_DISABLE_COPY_MOVE(QuestionHistoryStore)

public:
    using Clock = std::function<QDateTime()>;

    // The file in the "tovikRAGUI" folder of the user's data directory.
    explicit QuestionHistoryStore(QObject *parent = nullptr);
    // Another file (tests, tools); an empty clock means the system clock.
    QuestionHistoryStore(QString databasePath, Clock clock, QObject *parent = nullptr);
    ~QuestionHistoryStore() override;

    // "<data directory>/tovikRAGUI/questions.sqlite", or empty when the
    // platform reports no data directory.
    static QString defaultDatabasePath();

    // Every stored record, newest first.
    const QList<QuestionRecord> &records() const { return m_records; }
    // The translated message of the last failed operation; empty when there is none.
    QString lastError() const { return m_lastError; }
    // True once the file has been opened (even if its schema could not be set up).
    bool isOpen() const { return m_database != nullptr; }

    // The file this store reads and writes.
    QString databasePath() const;

    // Opens the file and reads the list, unless both have already been done. Cheap
    // once they have; views call it whenever the list is shown.
    void openIfNeeded();
    // Reads the list from the file again, for when another program (another instance
    // of this application) has changed it; recordsChanged only if the list differs.
    void reload();
    // Stores the trimmed question and answer with the working directory as given.
    // Returns the new record (also put first in records), or nothing on failure.
    std::optional<QuestionRecord> save(const QString &question, const QString &answer,
                                       const QString &workingDirectory);
    // Deletes the records with these ids in one transaction; ids that match no
    // record are not an error. False on failure (nothing deleted) or for no ids.
    bool deleteRecords(const QSet<qint64> &ids);

Q_SIGNALS:
    void recordsChanged();
    void lastErrorChanged();

private:
    bool openFile();
    void load();
    void setRecords(QList<QuestionRecord> records);
    void setLastError(const QString &message);
    // `sqliteResultCode` picks the sentence of context; SQLITE_OK for none.
    void fail(const char *englishTemplate, const QString &detail, int sqliteResultCode = 0);
    void failWithConnectionError(const char *englishTemplate);

    QString m_databasePath;
    Clock m_clock;
    sqlite3 *m_database = nullptr;
    bool m_loaded = false; // the list has been read from the file
    QList<QuestionRecord> m_records;
    QString m_lastError;
};

} // namespace tovik
