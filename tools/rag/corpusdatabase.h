#pragma once

#include "extracteddocument.h"

#include <QString>

#include <memory>

struct sqlite3;

namespace ragtool {

// corpus.sqlite: table documents (one row per ingestion), passages, and the full-text
// index passage_index whose rowid is the passage id. WAL journaling lets readers (the
// desktop app's lookup, a concurrent ask) go on while an ingest writes, and a killed
// ingest leaves only an uncommitted transaction behind.
class CorpusDatabase final
{
public:
    enum class Access { read, write };

    // read: the file must exist and is only queried. write: created when missing.
    static std::unique_ptr<CorpusDatabase> open(const QString &path, Access access, QString *error);
    ~CorpusDatabase();
    CorpusDatabase(const CorpusDatabase &) = delete;
    CorpusDatabase &operator=(const CorpusDatabase &) = delete;

    struct Counts
    {
        qint64 documents = 0;  // distinct source files
        qint64 ingestions = 0; // rows of documents
        qint64 passages = 0;
        QString lastFilename;
        QString lastIngestedAt;
    };
    bool counts(Counts *out, QString *error);

    struct NewDocument
    {
        QString filename;
        QString sourcePath;
        QString kind;
        int pageCount = 0;
    };
    // One transaction: the new document row, its passages and their index entries.
    // Passages of earlier ingestions of the same file (same name and path) are retired,
    // so a changed file is not answered from twice; their document rows stay.
    bool addDocument(const NewDocument &document, const QList<Passage> &passages, QString *ingestedAt,
                     QString *error);

    struct Hit
    {
        qint64 passageId = 0;
        double score = 0; // bm25: lower is better
        int page = 1;
        QString body;
        QString filename;
    };
    bool search(const QString &matchExpression, int limit, QList<Hit> *hits, QString *error);

private:
    explicit CorpusDatabase(sqlite3 *db);
    bool createSchema(QString *error);
    bool hasTable(const char *name, bool *exists, QString *error);
    bool retireEarlierPassages(const NewDocument &document);
    QString nextIngestedAt();

    sqlite3 *m_db = nullptr;
};

} // namespace ragtool
