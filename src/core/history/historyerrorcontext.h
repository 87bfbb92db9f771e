#pragma once

#include <QString>

namespace tovik {

// A sentence that tells the user what SQLite's own words for a failure on the history
// file at `path` mean ("database is locked", "attempt to write a readonly database",
// "disk I/O error" and the like), translated; empty for result codes that need none.
QString historyErrorContext(int sqliteResultCode, const QString &path);

} // namespace tovik
