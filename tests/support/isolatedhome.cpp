#include "support/isolatedhome.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>

namespace tovik::test {

namespace {
QTemporaryDir *homeDir()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tovik-test-home-XXXXXX"));
    return &dir;
}
} // namespace

void isolateHome()
{
    const QByteArray home = QFile::encodeName(homeDir()->path());
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", home + "/.config");
    qputenv("XDG_DATA_HOME", home + "/.local/share");
    qputenv("XDG_CACHE_HOME", home + "/.cache");
    qputenv("XDG_RUNTIME_DIR", home + "/.runtime");
    QDir(homeDir()->path()).mkpath(QStringLiteral(".runtime"));
    QFile::setPermissions(homeDir()->path() + QStringLiteral("/.runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString isolatedHomePath()
{
    return homeDir()->path();
}

QString testDataPath()
{
    const QByteArray fromEnv = qgetenv("TOVIK_TEST_DATA");
    return fromEnv.isEmpty() ? QStringLiteral(TOVIK_TEST_SOURCE_DIR) : QString::fromLocal8Bit(fromEnv);
}

} // namespace tovik::test
