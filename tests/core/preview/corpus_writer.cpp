// Plays rag writing to a corpus from another process, so the lookup can be checked
// against live and crashed writers.
//   corpus_writer hold <db>           commit a row, then keep a write transaction open
//                                     until standard input closes
//   corpus_writer crash-wal <db>      commit a row and die without closing (WAL left behind)
//   corpus_writer crash-journal <db>  spill an uncommitted transaction and die (hot journal)
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

bool run(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "corpus_writer: %s: %s\n", sql, error ? error : "?");
        sqlite3_free(error);
        return false;
    }
    return true;
}

void ready()
{
    std::puts("ready");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    const char *mode = argv[1];
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(argv[2], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 3;
    const char *committed =
        "INSERT INTO documents (filename, source_path, ingested_at) VALUES('a.pdf', '/committed/a.pdf', '2025-02-01T00:00:00Z')";

    if (std::strcmp(mode, "hold") == 0) {
        if (!run(db, "PRAGMA wal_autocheckpoint = 0") || !run(db, committed) || !run(db, "BEGIN IMMEDIATE")
            || !run(db, "INSERT INTO documents (filename, source_path, ingested_at) VALUES('a.pdf', '/pending/a.pdf', '2025-03-01T00:00:00Z')"))
            return 4;
        ready();
        char buffer[64];
        while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
        }
        run(db, "ROLLBACK");
        sqlite3_close(db);
        return 0;
    }
    if (std::strcmp(mode, "crash-wal") == 0) {
        if (!run(db, "PRAGMA wal_autocheckpoint = 0") || !run(db, committed))
            return 4;
        ready();
        _exit(0);
    }
    if (std::strcmp(mode, "crash-journal") == 0) {
        if (!run(db, "PRAGMA cache_size = 1") || !run(db, "BEGIN IMMEDIATE"))
            return 4;
        for (int i = 0; i < 3000; ++i) {
            if (!run(db, "INSERT INTO documents (filename, source_path, ingested_at) VALUES('z.pdf', hex(randomblob(100)), '2025')"))
                return 4;
        }
        ready();
        _exit(0);
    }
    return 2;
}
