#pragma once

#include <QString>

namespace bench {

// How the generated answers read.
enum class AnswerText {
    repeated, // one English-and-Chinese paragraph, 8 to 12 times
    varied,   // sentences of words drawn at random: no paragraph comes twice
};

// Fills the history file at `path` (made with the store's own schema) with
// `recordCount` saved questions in one transaction: a one-line question and an answer
// of about 1.5 KB with citation markers, a saved time an hour apart each.
bool fillHistory(const QString &path, int recordCount, AnswerText answers = AnswerText::repeated);

} // namespace bench
