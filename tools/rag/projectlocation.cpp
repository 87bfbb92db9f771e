#include "projectlocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace ragtool {

namespace {

constexpr int maxFoldersExamined = 8;

const QString projectFileName = QStringLiteral("rag.toml");

QString expandTilde(const QString &path, const QString &home)
{
    if (path == QLatin1String("~"))
        return home;
    if (path.startsWith(QLatin1String("~/")))
        return home + path.mid(1);
    return path;
}

} // namespace

QString ProjectLocation::corpusPath() const
{
    return dataDir + QStringLiteral("/corpus.sqlite");
}

QString ProjectLocation::findProjectRoot(const QString &startDir)
{
    QString dir = QDir::cleanPath(QDir(startDir).absolutePath());
    if (!QFileInfo(dir).isDir())
        dir = QFileInfo(dir).path();
    for (int examined = 0; examined < maxFoldersExamined; ++examined) {
        if (QFileInfo::exists(QDir(dir).filePath(projectFileName)))
            return dir;
        if (dir == QLatin1String("/"))
            break;
        dir = QFileInfo(dir).path();
    }
    return {};
}

QString ProjectLocation::dataDirectory(const QString &projectDir, const QString &home)
{
    QString value = QStringLiteral("data");
    QFile file(QDir(projectDir).filePath(projectFileName));
    if (file.open(QIODevice::ReadOnly)) {
        // Only data_dir is read, the way the desktop app reads it, so both always agree.
        static const QRegularExpression pattern(
            QStringLiteral(R"(^[ \t]*data_dir[ \t]*=[ \t]*["']([^"']+)["'])"),
            QRegularExpression::MultilineOption);
        const QRegularExpressionMatch match = pattern.match(QString::fromUtf8(file.readAll()));
        if (match.hasMatch())
            value = match.captured(1);
    }
    value = expandTilde(value, home);
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(projectDir + QLatin1Char('/') + value);
}

ProjectLocation ProjectLocation::locate(const QString &startDir, const QString &home)
{
    ProjectLocation location;
    location.projectDir = findProjectRoot(startDir);
    if (location.projectDir.isEmpty()) {
        location.projectDir = QDir::cleanPath(home + QStringLiteral("/.tovikrag"));
        location.isFallback = true;
    }
    location.projectFileExists = QFileInfo::exists(QDir(location.projectDir).filePath(projectFileName));
    location.dataDir = dataDirectory(location.projectDir, home);
    return location;
}

bool ProjectLocation::prepareForWriting(QString *error)
{
    if (!projectFileExists) {
        if (!QDir().mkpath(projectDir)) {
            *error = QStringLiteral("Can't create the project folder %1").arg(projectDir);
            return false;
        }
        QSaveFile file(QDir(projectDir).filePath(projectFileName));
        if (!file.open(QIODevice::WriteOnly)
            || file.write("# Project of the rag tool: the corpus is kept in data_dir.\n"
                          "data_dir = \"data\"\n")
                   < 0
            || !file.commit()) {
            *error = QStringLiteral("Can't write %1: %2").arg(file.fileName(), file.errorString());
            return false;
        }
        projectFileExists = true;
    }
    if (!QDir().mkpath(dataDir)) {
        *error = QStringLiteral("Can't create the data folder %1").arg(dataDir);
        return false;
    }
    return true;
}

QString workingDirectory()
{
    const QString physical = QDir::currentPath();
    const QString logical = QString::fromLocal8Bit(qgetenv("PWD"));
    if (!logical.isEmpty() && QDir::isAbsolutePath(logical)
        && QFileInfo(logical).canonicalFilePath() == QFileInfo(physical).canonicalFilePath())
        return QDir::cleanPath(logical);
    return physical;
}

QString homeDirectory()
{
    return QDir::homePath();
}

} // namespace ragtool
