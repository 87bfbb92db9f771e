#include "historyfill.h"

#include "history/questionhistorystore.h"
#include "history/savedattext.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <sqlite3.h>

namespace bench {

namespace {

// About as long as the repeated paragraphs (90 characters, a fifth of them Chinese, a
// sentence at a time), but drawn at random from a few hundred words and characters.
QByteArray variedAnswer(QRandomGenerator &random, int sentences)
{
    static const QStringList words = QStringLiteral(
        "the a of to and in is was for on that by with as at from report budget committee grew fell "
        "rose year annual staff cost costs equipment approved decided review office board members "
        "meeting minutes figure table page section chapter data source survey result results growth "
        "decline rate rates percent million thousand revenue spending plan plans project projects "
        "council district harbour pier tide gauge reading readings station north south east west "
        "because although however therefore while after before during since until between against "
        "which who whose where when what how why this these those there their its our we they it")
                                             .split(QLatin1Char(' '));
    static const QString characters = QStringLiteral(
        "預算增加的原因是人手及設備開支上升年度報告委員會批准決定審查辦公室成員會議記錄數據來源調查結果"
        "增長下降比率百分之萬收入支出計劃項目議會地區海港碼頭潮汐讀數站北南東西因為雖然但是所以期間之前之後");
    QString text;
    for (int s = 0; s < sentences; ++s) {
        const int count = 8 + int(random.bounded(6));
        for (int w = 0; w < count; ++w) {
            text += words.at(random.bounded(words.size()));
            text += QLatin1Char(' ');
        }
        text += QStringLiteral("[來源: report-%1.pdf p. %2]; ").arg(random.bounded(40)).arg(random.bounded(300));
        const int chinese = 10 + int(random.bounded(8));
        for (int c = 0; c < chinese; ++c)
            text += characters.at(random.bounded(characters.size()));
        text += QStringLiteral("。 ");
    }
    return text.trimmed().toUtf8();
}

} // namespace

bool fillHistory(const QString &path, int recordCount, AnswerText answers)
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
    QRandomGenerator random(2022);
    QDateTime moment(QDate(2022, 1, 1), QTime(8, 0), Qt::UTC);
    bool ok = true;
    for (int i = 0; i < recordCount && ok; ++i) {
        moment = moment.addSecs(3'377);
        const QByteArray savedAt = tovik::formatSavedAt(moment);
        const QByteArray question = QStringLiteral("Question %1: what did the committee decide about 預算 in the "
                                                   "annual report, and who approved it?")
                                        .arg(i)
                                        .toUtf8();
        const QByteArray answer = answers == AnswerText::varied ? variedAnswer(random, 8 + i % 5)
                                                                : paragraph.repeated(8 + i % 5);
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
