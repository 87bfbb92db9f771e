#pragma once

#include <QString>

// The subcommands of rag. Each returns the process exit status: 0 success, 1 failure,
// 2 wrong use.
namespace ragtool {

int runStatus();
int runIngest(const QString &path);
int runAsk(const QString &question);

} // namespace ragtool
