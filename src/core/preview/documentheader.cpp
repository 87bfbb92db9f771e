#include "preview/documentheader.h"

#include "i18n/translate.h"
#include "system/filekind.h"

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
    return fileKind(path) == FileKind::regular && QFileInfo(path).isReadable();
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
    // Nothing readable: say what the newest path is.
    const QString &newest = sourcePaths.first();
    if (newest.isEmpty()) {
        header.problem = translated(QStringLiteral("The corpus lists no file path for “{name}”."),
                                    {{QStringLiteral("name"), filename}});
        return header;
    }
    header.sourcePath = newest;
    const QString notRegular = notRegularFileText(newest, fileKind(newest));
    header.problem = notRegular.isEmpty()
        ? translated(QStringLiteral("File does not exist: {path}"), {{QStringLiteral("path"), newest}})
        : notRegular;
    return header;
}

} // namespace tovik
