#include "rag/ragpaths.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace tovik {

QString expandTilde(const QString &path)
{
    if (path == QLatin1String("~"))
        return QDir::homePath();
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

bool isDirectoryPath(const QString &path)
{
    const QString expanded = expandTilde(path);
    return !expanded.isEmpty() && QFileInfo(expanded).isDir();
}

bool isExecutableRag(const QString &path)
{
    const QString expanded = expandTilde(path);
    if (expanded.isEmpty() || QFileInfo(expanded).isDir())
        return false;
    return ::access(QFile::encodeName(expanded).constData(), X_OK) == 0;
}

std::optional<QString> projectRoot(const QString &path)
{
    const QString expanded = expandTilde(path);
    if (expanded.isEmpty())
        return std::nullopt;
    // Relative paths count from the application's directory, as a file URL would.
    QString folder = QDir::cleanPath(QDir::current().absoluteFilePath(expanded));
    if (!QFileInfo(folder).isDir())
        folder = QFileInfo(folder).path();
    for (int examined = 0; examined < projectRootSearchDepth; ++examined) {
        if (QFileInfo::exists(folder + QStringLiteral("/rag.toml")))
            return folder;
        if (folder == QLatin1String("/"))
            break;
        folder = QFileInfo(folder).path();
    }
    return std::nullopt;
}

std::optional<QString> sourceCheckoutRoot(const QString &path)
{
    const auto root = projectRoot(path);
    if (!root)
        return std::nullopt;
    const QFileInfo cli(*root + QStringLiteral("/src/ragcli/cli.py"));
    if (cli.isFile() && cli.isReadable())
        return root;
    return std::nullopt;
}

QStringList pythonCandidates(const QString &root, const QString &systemRoot)
{
    return {
        root + QStringLiteral("/.venv/bin/python"),
        root + QStringLiteral("/venv/bin/python"),
        QDir::homePath() + QStringLiteral("/.tovikrag/venv/bin/python"),
        systemRoot + QStringLiteral("/opt/homebrew/bin/python3.13"),
        systemRoot + QStringLiteral("/usr/local/bin/python3.13"),
        // The system interpreters of a Linux desktop come last.
        systemRoot + QStringLiteral("/usr/local/bin/python3"),
        systemRoot + QStringLiteral("/usr/bin/python3"),
    };
}

std::optional<QString> pythonForCheckout(const QString &root, const QString &systemRoot)
{
    for (const QString &candidate : pythonCandidates(root, systemRoot)) {
        if (isExecutableRag(candidate))
            return candidate;
    }
    return std::nullopt;
}

} // namespace tovik
