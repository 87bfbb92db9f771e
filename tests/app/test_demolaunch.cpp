// The demo launch of scripts/run.sh: the demo project and the reference rag named on the
// command line of a first start. It works there and leaves the settings file untouched.
#include "app/userpath.h"

#include "appservices.h"
#include "contentview.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "support/isolatedhome.h"
#include "tovikapplication.h"

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
