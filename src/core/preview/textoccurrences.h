#pragma once

#include "pdf/textrange.h"

#include <QList>
#include <QString>

namespace tovik {

// The places where `query` occurs in the first `limit` UTF-16 units of `text`,
// left to right and never overlapping. Matching ignores letter case, diacritics
// and the difference between full-width and half-width forms, so a match may be
// longer or shorter than the query. Safe on any thread.
QList<TextRange> occurrences(const QString &text, const QString &query, qsizetype limit);

} // namespace tovik
