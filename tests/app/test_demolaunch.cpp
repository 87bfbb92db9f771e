// The demo launch of scripts/run.sh: the demo project and the reference rag named on the
// command line of a first start. It works there, leaves the settings file untouched, and
// its windows carry the launcher's icon.
#include "app/userpath.h"

#include "appservices.h"
#include "mainwindow/contentview.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "support/isolatedhome.h"
#include "tovikapplication.h"

#include <QFileInfo>
#include <QImage>
#include <QSettings>

#include <vector>

using namespace tovik;
using namespace tovik::test;

class TestDemoLaunch : public QObject
{
    Q_OBJECT

public:
    TestDemoLaunch(TovikApplication &application, const QString &project)
        : m_application(application), m_project(project) {}

private Q_SLOTS:
    void statusCheckUsesTheNamedRagAndStoresNothing();
    void windowsShowTheLauncherIcon();

private:
    TovikApplication &m_application;
    QString m_project;
};

void TestDemoLaunch::statusCheckUsesTheNamedRagAndStoresNothing()
{
    ContentView *tab = currentTab();
    QVERIFY(tab);
    RagSettings &settings = m_application.services().settings();
    QTRY_VERIFY_WITH_TIMEOUT(!tab->session().isBusy() && settings.statusText() != notCheckedYetText(), 60000);
    QVERIFY2(!tab->session().hasErrorMessage(), qPrintable(tab->session().errorMessageText()));
    QCOMPARE(settings.ragPath(), UserPathEnvironment::referenceRag());
    // The demo project answered the status check.
    QVERIFY2(settings.statusText().contains(m_project), qPrintable(settings.statusText()));

    const QSettings stored(isolatedHomePath() + QStringLiteral("/.config/tovikRAGUI/tovikRAGUI.conf"),
                           QSettings::IniFormat);
    QCOMPARE(stored.allKeys(), QStringList());
}

void TestDemoLaunch::windowsShowTheLauncherIcon()
{
    // The desktop matches windows to the launcher by the name the application reports.
    QVERIFY(QFileInfo::exists(QStringLiteral(TOVIK_BUILD_SHARE_DIR "/applications/")
                              + QGuiApplication::desktopFileName() + QStringLiteral(".desktop")));
    const QImage shown = currentTab()->window()->windowIcon().pixmap(48).toImage();
    QVERIFY(!shown.isNull());
    QImage launcher(QStringLiteral(TOVIK_BUILD_SHARE_DIR "/icons/hicolor/48x48/apps/tovikrag.png"));
    QVERIFY(!launcher.isNull());
    QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32), launcher.convertToFormat(QImage::Format_ARGB32));
}

int main(int argc, char **argv)
{
    isolateHome();
    UserPathEnvironment environment;
    QList<QByteArray> storage{"tovikrag", "--working-directory", QFile::encodeName(environment.project), "--rag",
                              QFile::encodeName(UserPathEnvironment::referenceRag())};
    std::vector<char *> pointers;
    for (QByteArray &each : storage)
        pointers.push_back(each.data());
    pointers.push_back(nullptr);
    int count = static_cast<int>(storage.size());
    TovikApplication application(count, pointers.data());
    application.start();
    TestDemoLaunch test(application, environment.project);
    return QTest::qExec(&test, argc, argv);
}

#include "test_demolaunch.moc"
