// The full privacy policy is found from the program's folder, in an installation and
// in the build tree alike, and never through the folder the program was built from.
#include "settings/privacypolicypage.h"
#include "support/isolatedhome.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace tovik;

class TestPrivacyPolicyPage : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void policyIsFoundBesideTheProgram();
};

void TestPrivacyPolicyPage::policyIsFoundBesideTheProgram()
{
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("usr/bin"));
    QVERIFY(QDir().mkpath(bin));
    QCOMPARE(PrivacyPolicyPage::policyUrl(bin), QUrl());

    const QString policy = root.filePath(QStringLiteral("usr/share/tovikrag/PRIVACY.md"));
    QVERIFY(QDir().mkpath(QFileInfo(policy).path()));
    QFile file(policy);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("# Privacy\n") > 0);
    file.close();
    QCOMPARE(PrivacyPolicyPage::policyUrl(bin), QUrl::fromLocalFile(QFileInfo(policy).canonicalFilePath()));

    // The build tree has it where build/bin/tovikrag looks.
    QVERIFY(!PrivacyPolicyPage::policyUrl(QStringLiteral(TOVIK_BUILD_PROGRAM_DIR)).isEmpty());
    // This test program has none beside it: the page offers no link to nowhere.
    PrivacyPolicyPage page;
    QVERIFY(!page.findChild<QPushButton *>()->isEnabled());
}

QTEST_MAIN(TestPrivacyPolicyPage)
#include "test_privacypolicypage.moc"
