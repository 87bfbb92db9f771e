#pragma once

#include <QString>

// Output of the rag tool. Standard error carries the log, each line starting with its
// level word and a space, so a front end can tell it from answer text; standard output
// carries answers and results. Every line is flushed at once because readers stream it.
namespace ragtool::log {

void info(const QString &message);
void warning(const QString &message);
void error(const QString &message);

// One line of result text on standard output.
void print(const QString &line);

} // namespace ragtool::log
