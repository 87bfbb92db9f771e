#include "corpusdatabase.h"

#include "searchterms.h"
#include "storage/sqlitestatement.h"

#include <QDateTime>
#include <QFile>

#include <sqlite3.h>

namespace ragtool {

using tovik::SqliteStatement;

namespace {

// Runs statements without results; false on the first failure.
bool run(sqlite3 *db, const char *sql)
{
    return !SqliteStatement::execute(db, sql).has_value();
}

constexpr int busyTimeoutMs = 15000;
const QString timeFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ");

// Rolls back unless committed, so every early return leaves the corpus as it was.
class Transaction final
{
public:
    explicit Transaction(sqlite3 *db) : m_db(db) { m_open = run(db, "BEGIN IMMEDIATE"); }
    ~Transaction()
    {
        if (m_open)
            run(m_db, "ROLLBACK");
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    bool isOpen() const { return m_open; }
    bool commit()
    {
        m_open = !run(m_db, "COMMIT");
        return !m_open;
    }

private:
    sqlite3 *m_db;
    bool m_open = false;
};

} // namespace

CorpusDatabase::CorpusDatabase(sqlite3 *db) : m_db(db) {}

CorpusDatabase::~CorpusDatabase()
{
    sqlite3_close_v2(m_db);
}

std::unique_ptr<CorpusDatabase> CorpusDatabase::open(const QString &path, Access access, QString *error)
{
    const QByteArray file = QFile::encodeName(path);
    sqlite3 *db = nullptr;
    int flags = SQLITE_OPEN_READWRITE | (access == Access::write ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(file.constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK && access == Access::read) {
        // A corpus on a read-only medium can still be asked.
        sqlite3_close_v2(db);
        db = nullptr;
        rc = sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    if (rc != SQLITE_OK) {
        *error = tovik::sqliteMessage(db);
        sqlite3_close_v2(db);
        return nullptr;
    }
    std::unique_ptr<CorpusDatabase> corpus(new CorpusDatabase(db));
    sqlite3_busy_timeout(db, busyTimeoutMs);
    if (access == Access::read) {
        run(db, "PRAGMA query_only = ON");
        // Reading the schema finds a file that is no database at all.
        bool unused = false;
        if (!corpus->hasTable("documents", &unused, error))
            return nullptr;
        return corpus;
    }
    if (!run(db, "PRAGMA journal_mode = WAL") || !run(db, "PRAGMA synchronous = NORMAL")) {
        *error = tovik::sqliteMessage(db);
        return nullptr;
    }
    return corpus;
}

bool CorpusDatabase::hasTable(const char *name, bool *exists, QString *error)
{
    SqliteStatement query(m_db, "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1");
    if (!query.isPrepared() || !query.bindText(1, QString::fromLatin1(name))) {
        *error = tovik::sqliteMessage(m_db);
        return false;
    }
    const int rc = query.step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        *error = tovik::sqliteMessage(m_db);
        return false;
    }
    *exists = rc == SQLITE_ROW;
    return true;
}

bool CorpusDatabase::createSchema(QString *error)
{
    const bool ok = run(m_db,
                            "CREATE TABLE IF NOT EXISTS documents ("
                            " id INTEGER PRIMARY KEY,"
                            " filename TEXT NOT NULL,"
                            " source_path TEXT NOT NULL,"
                            " ingested_at TEXT NOT NULL,"
                            " kind TEXT NOT NULL,"
                            " page_count INTEGER NOT NULL,"
                            " passage_count INTEGER NOT NULL);"
                            "CREATE INDEX IF NOT EXISTS documents_by_filename ON documents(filename, ingested_at);"
                            "CREATE TABLE IF NOT EXISTS passages ("
                            " id INTEGER PRIMARY KEY,"
                            " document_id INTEGER NOT NULL REFERENCES documents(id),"
                            " page INTEGER NOT NULL,"
                            " body TEXT NOT NULL);"
                            "CREATE INDEX IF NOT EXISTS passages_by_document ON passages(document_id);"
                            "CREATE VIRTUAL TABLE IF NOT EXISTS passage_index USING fts5("
                            " terms, tokenize = 'porter unicode61 remove_diacritics 2');");
    if (!ok)
        *error = tovik::sqliteMessage(m_db);
    return ok;
}

bool CorpusDatabase::counts(Counts *out, QString *error)
{
    *out = Counts{};
    bool hasDocuments = false;
    bool hasPassages = false;
    if (!hasTable("documents", &hasDocuments, error) || !hasTable("passages", &hasPassages, error))
        return false;
    if (!hasDocuments)
        return true; // made, but the first ingest never committed
    SqliteStatement documents(m_db, "SELECT count(DISTINCT source_path), count(*) FROM documents");
    SqliteStatement last(m_db, "SELECT filename, ingested_at FROM documents ORDER BY ingested_at DESC LIMIT 1");
    if (!documents.isPrepared() || documents.step() != SQLITE_ROW || !last.isPrepared()) {
        *error = tovik::sqliteMessage(m_db);
        return false;
    }
    out->documents = documents.columnInt64(0);
    out->ingestions = documents.columnInt64(1);
    if (last.step() == SQLITE_ROW) {
        out->lastFilename = last.columnText(0);
        out->lastIngestedAt = last.columnText(1);
    }
    if (hasPassages) {
        SqliteStatement passages(m_db, "SELECT count(*) FROM passages");
        if (!passages.isPrepared() || passages.step() != SQLITE_ROW) {
            *error = tovik::sqliteMessage(m_db);
            return false;
        }
        out->passages = passages.columnInt64(0);
    }
    return true;
}

QString CorpusDatabase::nextIngestedAt()
{
    // ingested_at must sort in ingestion order even for two ingests within a millisecond
    // or after the clock was set back.
    QDateTime now = QDateTime::currentDateTimeUtc();
    SqliteStatement latest(m_db, "SELECT max(ingested_at) FROM documents");
    if (latest.isPrepared() && latest.step() == SQLITE_ROW) {
        const QDateTime previous = QDateTime::fromString(latest.columnText(0), Qt::ISODateWithMs);
        if (previous.isValid() && now <= previous)
            now = previous.addMSecs(1);
    }
    return now.toUTC().toString(timeFormat);
}

bool CorpusDatabase::retireEarlierPassages(const NewDocument &document)
{
    const char *statements[] = {
        "DELETE FROM passage_index WHERE rowid IN (SELECT p.id FROM passages p JOIN documents d"
        " ON d.id = p.document_id WHERE d.filename = ?1 AND d.source_path = ?2)",
        "DELETE FROM passages WHERE document_id IN"
        " (SELECT id FROM documents WHERE filename = ?1 AND source_path = ?2)",
        "UPDATE documents SET passage_count = 0 WHERE filename = ?1 AND source_path = ?2"};
    for (const char *sql : statements) {
        SqliteStatement statement(m_db, sql);
        if (!statement.isPrepared() || !statement.bindText(1, document.filename) || !statement.bindText(2, document.sourcePath)
            || statement.step() != SQLITE_DONE)
            return false;
    }
    return true;
}

bool CorpusDatabase::addDocument(const NewDocument &document, const QList<Passage> &passages, QString *ingestedAt,
                                 QString *error)
{
    Transaction transaction(m_db);
    if (!transaction.isOpen()) {
        *error = tovik::sqliteMessage(m_db);
        return false;
    }
    if (!createSchema(error))
        return false;
    if (!retireEarlierPassages(document)) {
        *error = tovik::sqliteMessage(m_db);
        return false;
    }
    *ingestedAt = nextIngestedAt();
    SqliteStatement insertDocument(m_db,
                                "INSERT INTO documents (filename, source_path, ingested_at, kind, page_count,"
                                " passage_count) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (!insertDocument.isPrepared() || !insertDocument.bindText(1, document.filename)
        || !insertDocument.bindText(2, document.sourcePath) || !insertDocument.bindText(3, *ingestedAt)
        || !insertDocument.bindText(4, document.kind) || !insertDocument.bindInt64(5, qint64(document.pageCount))
        || !insertDocument.bindInt64(6, qint64(passages.size())) || insertDocument.step() != SQLITE_DONE) {
        *error = tovik::sqliteMessage(m_db);
        return false;
    }
    const qint64 documentId = sqlite3_last_insert_rowid(m_db);

    SqliteStatement insertPassage(m_db, "INSERT INTO passages (document_id, page, body) VALUES (?1, ?2, ?3)");
    SqliteStatement insertTerms(m_db, "INSERT INTO passage_index (rowid, terms) VALUES (?1, ?2)");
    if (!insertPassage.isPrepared() || !insertTerms.isPrepared()) {
        *error = tovik::sqliteMessage(m_db);
        return false;
    }
    for (const Passage &passage : passages) {
        if (!insertPassage.reset() || !insertPassage.bindInt64(1, documentId) || !insertPassage.bindInt64(2, qint64(passage.page))
            || !insertPassage.bindText(3, passage.body) || insertPassage.step() != SQLITE_DONE) {
            *error = tovik::sqliteMessage(m_db);
            return false;
        }
        const qint64 passageId = sqlite3_last_insert_rowid(m_db);
        if (!insertTerms.reset() || !insertTerms.bindInt64(1, passageId)
            || !insertTerms.bindText(2, SearchTerms::indexText(passage.body)) || insertTerms.step() != SQLITE_DONE) {
            *error = tovik::sqliteMessage(m_db);
            return false;
        }
    }
    if (!transaction.commit()) {
        *error = tovik::sqliteMessage(m_db);
        return false;
    }
    return true;
}

bool CorpusDatabase::search(const QString &matchExpression, int limit, QList<Hit> *hits, QString *error)
{
    hits->clear();
    bool hasIndex = false;
    if (!hasTable("passage_index", &hasIndex, error))
        return false;
    if (!hasIndex)
        return true;
    SqliteStatement query(m_db,
                       "WITH ranked AS (SELECT rowid AS id, rank AS score FROM passage_index"
                       " WHERE passage_index MATCH ?1 ORDER BY rank LIMIT ?2)"
                       " SELECT ranked.id, ranked.score, p.page, p.body, d.filename FROM ranked"
                       " JOIN passages p ON p.id = ranked.id JOIN documents d ON d.id = p.document_id"
                       " ORDER BY ranked.score, ranked.id");
    if (!query.isPrepared() || !query.bindText(1, matchExpression) || !query.bindInt64(2, qint64(limit))) {
        *error = tovik::sqliteMessage(m_db);
        return false;
    }
    int rc = SQLITE_ROW;
    while ((rc = query.step()) == SQLITE_ROW)
        hits->append(Hit{query.columnInt64(0), query.columnDouble(1), int(query.columnInt64(2)), query.columnText(3),
                         query.columnText(4)});
    if (rc != SQLITE_DONE) {
        *error = tovik::sqliteMessage(m_db);
        return false;
    }
    return true;
}

} // namespace ragtool
