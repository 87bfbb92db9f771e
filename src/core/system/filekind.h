#pragma once

#include <QString>

namespace tovik {

// What a path names, following symbolic links.
enum class FileKind { missing, regular, directory, namedPipe, device, socket, other };

// Looks at the path without opening it, so a named pipe or a device never blocks the
// caller. An empty path is missing.
FileKind fileKind(const QString &path);

// "{path} is a named pipe, not a regular file." and the like, translated, for a path
// that exists but is not a regular file; empty for any other kind.
QString notRegularFileText(const QString &path, FileKind kind);

} // namespace tovik
