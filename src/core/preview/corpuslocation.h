#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tovik {

// Where rag keeps the corpus of a working directory. Read-only file-system look-ups.

// The project folders to try, in order: the nearest folder holding rag.toml at or
// above `directory` (8 folders at most), then ~/.tovikrag when it has a rag.toml and is
// not already listed.
QStringList corpusCandidates(const QString &directory);

// The absolute, cleaned data directory of a project folder: the first data_dir line of
// its rag.toml with a leading "~" expanded, relative values taken inside the project;
// "data" when the file is unreadable, not a regular file or has no such line.
QString dataDirectory(const QString &candidate);

// The first existing corpus.sqlite in the candidates' data directories, for the tab's
// working directory as the user typed it.
std::optional<QString> corpusDatabasePath(const QString &workingDirectory);

} // namespace tovik
