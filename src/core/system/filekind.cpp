#include "system/filekind.h"

#include "i18n/translate.h"

#include <QFile>

#include <sys/stat.h>

namespace tovik {

FileKind fileKind(const QString &path)
{
    struct stat status{};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0)
        return FileKind::missing;
    if (S_ISREG(status.st_mode))
        return FileKind::regular;
    if (S_ISDIR(status.st_mode))
        return FileKind::directory;
    if (S_ISFIFO(status.st_mode))
        return FileKind::namedPipe;
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        return FileKind::device;
    if (S_ISSOCK(status.st_mode))
        return FileKind::socket;
    return FileKind::other;
}

QString notRegularFileText(const QString &path, FileKind kind)
{
    const char *english = nullptr;
    switch (kind) {
    case FileKind::directory:
        english = "{path} is a folder, not a regular file.";
        break;
    case FileKind::namedPipe:
        english = "{path} is a named pipe, not a regular file.";
        break;
    case FileKind::device:
        english = "{path} is a device, not a regular file.";
        break;
    case FileKind::socket:
        english = "{path} is a socket, not a regular file.";
        break;
    case FileKind::other:
        english = "{path} isn't a regular file.";
        break;
    case FileKind::missing:
    case FileKind::regular:
        return {};
    }
    return translated(QString::fromLatin1(english), {{QStringLiteral("path"), path}});
}

} // namespace tovik
