#pragma once

#include "history/questionrecord.h"
#include "modelserver/embeddingmodel.h"

#include <QList>

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

inline QList<qint64> idsOf(const QList<QuestionRecord> &records)
{
    QList<qint64> ids;
    for (const QuestionRecord &r : records)
        ids.append(r.id);
    return ids;
}

inline constexpr EmbeddingLanguage english = EmbeddingLanguage::english;
inline constexpr EmbeddingLanguage chinese = EmbeddingLanguage::traditionalChinese;

} // namespace tovik::test
