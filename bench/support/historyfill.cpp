#include "historyfill.h"

#include "history/questionhistorystore.h"
#include "history/savedattext.h"

#include <QDateTime>
#include <QFile>

#include <sqlite3.h>

namespace bench {

bool fillHistory(const QString &path, int recordCount)
{
    tovik::QuestionHistoryStore(path, {}).openIfNeeded(); // the real schema
    sqlite3 *database = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &database, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(database, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(database,
                       "INSERT INTO question_records (saved_at, question, answer, working_directory) "
                       "VALUES (?, ?, ?, ?)",
                       -1, &insert, nullptr);
    const QByteArray paragraph = QStringLiteral("The report says the budget grew by 12% in 2023 [來源: report.pdf p. 3]; "
                                                "預算增加的原因是人手及設備開支上升。 ")
                                     .toUtf8();
    QDateTime moment(QDate(2022, 1, 1), QTime(8, 0), Qt::UTC);
    bool ok = true;
    for (int i = 0; i < recordCount && ok; ++i) {
        moment = moment.addSecs(3'377);
        const QByteArray savedAt = tovik::formatSavedAt(moment);
        const QByteArray question = QStringLiteral("Question %1: what did the committee decide about 預算 in the "
                                                   "annual report, and who approved it?")
                                        .arg(i)
                                        .toUtf8();
        const QByteArray answer = paragraph.repeated(8 + i % 5);
        const QByteArray folder = "/home/user/projects/corpus-" + QByteArray::number(i % 7);
        sqlite3_bind_text(insert, 1, savedAt.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, question.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, answer.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, folder.constData(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(database, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(database);
    return ok;
}

} // namespace bench
