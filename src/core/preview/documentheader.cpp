#include "preview/documentheader.h"

#include "i18n/translate.h"

#include <QFileInfo>

namespace tovik {

namespace {

// The extension of the last path component, as a file URL reports it: a leading dot
// alone (".pdf") names a hidden file, not an extension.
QString pathExtension(const QString &path)
{
    const QString name = path.section(QLatin1Char('/'), -1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot + 1) : QString();
}

bool isReadableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

} // namespace

DocumentHeader makeHeader(const QString &filename, const QStringList &sourcePaths)
{
    DocumentHeader header{filename, std::nullopt, std::nullopt};
    if (sourcePaths.isEmpty()) {
        header.problem = translated(QStringLiteral("The corpus has no “{name}”."), {{QStringLiteral("name"), filename}});
        return header;
    }
    for (const QString &path : sourcePaths) {
        if (!isReadableFile(path))
            continue;
        header.sourcePath = path;
        if (pathExtension(path).toLower() != QLatin1String("pdf"))
            header.problem = translate(QStringLiteral("This file isn't a PDF, so its pages can't be previewed."));
        return header;
    }
    header.sourcePath = sourcePaths.first();
    header.problem = translated(QStringLiteral("File does not exist: {path}"), {{QStringLiteral("path"), sourcePaths.first()}});
    return header;
}

} // namespace tovik
