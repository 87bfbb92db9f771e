#pragma once

#include "history/packedtext.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace tovik {

// One saved question with its answer, as the history store keeps it.
struct QuestionRecord
{
    qint64 id = 0;             // SQLite row id; never reused once deleted
    QDateTime savedAt;         // UTC; distantPast() when the stored text could not be read
    QString question;          // trimmed
    PackedText answer;         // trimmed; may be empty; packed, as a long history holds many
    QString workingDirectory;  // as the tab had it, untrimmed; may be empty

    friend bool operator==(const QuestionRecord &, const QuestionRecord &) = default;
};

} // namespace tovik
