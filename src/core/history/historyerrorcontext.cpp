#include "history/historyerrorcontext.h"

#include "i18n/translate.h"

#include <sqlite3.h>

namespace tovik {

QString historyErrorContext(int sqliteResultCode, const QString &path)
{
    const char *english = nullptr;
    switch (sqliteResultCode & 0xFF) { // the primary code of an extended one
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        english = "Another program is using {path}; try again when it has finished.";
        break;
    case SQLITE_READONLY:
        english = "{path} can't be written; check its permissions.";
        break;
    case SQLITE_IOERR:
        english = "The disk reported an error reading or writing {path}.";
        break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        english = "{path} is damaged or isn't a question database.";
        break;
    case SQLITE_CANTOPEN:
        english = "{path} can't be opened; check that its folder exists and can be written to.";
        break;
    default:
        return {};
    }
    return translated(QString::fromLatin1(english), {{QStringLiteral("path"), path}});
}

} // namespace tovik
