#pragma once

#include <QString>

namespace ragtool {

// Where the corpus of the current run lives: the nearest folder holding rag.toml from
// the working directory upwards, else the per-user project ~/.tovikrag.
struct ProjectLocation final
{
    QString projectDir;
    QString dataDir;
    bool isFallback = false;        // the per-user project, not one found upwards
    bool projectFileExists = false; // rag.toml is there (false only for a fallback not made yet)

    QString corpusPath() const;

    // startDir is normally the working directory; home is the user's home folder.
    static ProjectLocation locate(const QString &startDir, const QString &home);

    // Nearest of at most 8 folders, upwards from startDir, that holds an entry rag.toml.
    static QString findProjectRoot(const QString &startDir);

    // data_dir of projectDir/rag.toml, made absolute: "data" when unreadable or absent.
    static QString dataDirectory(const QString &projectDir, const QString &home);

    // Makes the project folder (with a default rag.toml when it has none) and the data
    // folder, so the corpus can be written.
    bool prepareForWriting(QString *error);
};

// The folder the process was started in, preferring the logical path in $PWD when it
// names the same folder, so a project reached through a symbolic link is still found.
QString workingDirectory();

QString homeDirectory();

} // namespace ragtool
