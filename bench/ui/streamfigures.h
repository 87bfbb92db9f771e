#pragma once

#include <QString>

namespace bench {

// `lineCount` short lines as the answer, against cat of the same bytes.
void manyLinesFigures(int lineCount);
// One line of `characters` x's (with or without a line end) as the answer: the
// longest stall while it arrives, frames at the top, middle and bottom, and memory.
void longLineFigures(const QString &label, qsizetype characters, bool lineEnd);
// An answer of one cited page per line, `files` files of `pagesPerFile` pages each,
// with the Documents page shown: time until the page and its count have settled.
void citationFigures(const QString &label, int files, int pagesPerFile);

} // namespace bench
