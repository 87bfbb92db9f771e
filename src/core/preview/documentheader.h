#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tovik {

// What the sidebar knows about a cited file before its pages are rendered: where it
// is, or why it can't be previewed (already translated).
struct DocumentHeader
{
    QString filename;
    std::optional<QString> sourcePath;
    std::optional<QString> problem;

    friend bool operator==(const DocumentHeader &, const DocumentHeader &) = default;
};

// Resolves one cited file from its source paths, newest ingestion first: the newest
// readable regular file wins; a problem when there is none, when none is readable (the
// newest path is kept and the problem says whether it is missing or what else it is),
// or when the file is not a PDF. Never opens a file.
DocumentHeader makeHeader(const QString &filename, const QStringList &sourcePaths);

} // namespace tovik
