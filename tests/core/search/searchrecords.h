#pragma once

#include "history/questionrecord.h"
#include "modelserver/embeddingmodel.h"

#include <QList>
#include <QSet>

namespace tovik::test {

// A saved question for search tests; the date only matters where rows are shown.
inline QuestionRecord record(qint64 id, const QString &question, const QString &answer = {})
{
    QuestionRecord r;
    r.id = id;
    r.question = question;
    r.answer = answer;
    return r;
}

// The history the search controller and box tests start from, newest first: Chinese and
// English questions, one about 陳大文 and one whose answer says he is not mentioned.
inline QList<QuestionRecord> mixedHistory()
{
    return {
        record(5, QStringLiteral("陳大文係邊個？"), QStringLiteral("佢係會計師。")),
        record(4, QStringLiteral("年報"), QStringLiteral("報告並無提及陳大文。")),
        record(3, QStringLiteral("Holiday plans"), QStringLiteral("Go to the beach")),
        record(2, QStringLiteral("Filing a return for Smith"), QStringLiteral("Use form B")),
        record(1, QStringLiteral("稅務期限"), QStringLiteral("四月三十日")),
    };
}

inline QList<qint64> idsOf(const QList<QuestionRecord> &records)
{
    QList<qint64> ids;
    for (const QuestionRecord &r : records)
        ids.append(r.id);
    return ids;
}

inline QSet<qint64> idSet(const QList<QuestionRecord> &records)
{
    const QList<qint64> ids = idsOf(records);
    return QSet<qint64>(ids.cbegin(), ids.cend());
}

inline constexpr EmbeddingLanguage english = EmbeddingLanguage::english;
inline constexpr EmbeddingLanguage chinese = EmbeddingLanguage::traditionalChinese;

} // namespace tovik::test
