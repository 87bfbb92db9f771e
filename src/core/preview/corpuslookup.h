#pragma once

#include "preview/corpusconnection.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace tovik {

// The source paths recorded for one filename, newest ingestion first, or why the
// query failed (SQLite's text).
struct SourcePathsQuery
{
    QStringList paths;
    std::optional<QString> failure;
};

// The result of one lookup: source paths by cited filename, or a failure. A failure
// without detail means no corpus.sqlite was found.
struct CorpusLookup
{
    QHash<QString, QStringList> sourcePaths;
    bool failed = false;
    std::optional<QString> detail;

    // The translated text to show for a failed lookup; none when it succeeded.
    std::optional<QString> notice() const;
};

// Opens the corpus strictly read-only. Nothing on disk changes: not the database's
// bytes or modification time, and no -wal, -shm or -journal file is created, changed,
// checkpointed, rolled back or removed, even while rag has the corpus open. Anything
// but a regular file (a named pipe, a device, a folder) fails without being opened.
CorpusConnection openCorpus(const QString &databasePath);

// The source_path values of `filename` (matched exactly), newest ingestion first;
// rows without a path are skipped.
SourcePathsQuery sourcePaths(const CorpusConnection &connection, const QString &filename);

// Finds, opens, queries and closes the corpus of `workingDirectory` for every distinct
// cited filename. An empty list succeeds without touching the disk.
CorpusLookup lookUpSourcePaths(const QStringList &filenames, const QString &workingDirectory);

} // namespace tovik
