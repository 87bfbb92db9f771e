#include "appservices.h"
#include "i18n/interfacelanguage.h"
#include "i18n/translate.h"
#include "mainwindow/contentview.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "settings/displaysettingspage.h"
#include "settings/systemsettingspage.h"
#include "support/isolatedhome.h"
#include "support/unwritablefile.h"
#include "support/workflowfixture.h"
#include "system/settingsstore.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSplitter>
#include <QtTest>

using namespace tovik;

// A settings file that can't be written: each change still holds for the run, and the
// user is told where the change was made.
class TestSettingsWrites : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init();
    void cleanup();
    void pathTypedOnTheSystemPage();
    void languageChosenOnTheDisplayPage();
    void dividerDraggedInATab();

private:
    // The message for the settings file, in the current language.
    QString unsaved() const
    {
        return translated(QStringLiteral("Couldn't save the setting: {path} can't be written, so the change lasts "
                                         "only until you quit."),
                          {{QStringLiteral("path"), m_file}});
    }

    QString m_file;
};

void TestSettingsWrites::init()
{
    InterfaceLanguage::shared().setLanguage(AppLanguage::english); // also makes sure the file exists
    m_file = makeSettingsStore()->fileName();
    QVERIFY(QFile::exists(m_file));
}

void TestSettingsWrites::cleanup()
{
    test::makeWritable(m_file);
}

void TestSettingsWrites::pathTypedOnTheSystemPage()
{
    test::WorkflowFixture fixture;
    AppServices services(*fixture.settings, *fixture.history);
    SystemSettingsPage page(services);
    page.show();
    QVERIFY(!page.messageLabel()->isVisible());

    if (!test::makeUnwritable(m_file))
        QSKIP("this file system cannot make a file unwritable");
    QTest::keyClicks(page.ragPathField(), QStringLiteral("x"));
    QCOMPARE(fixture.settings->ragPath(), fixture.ragPath + QStringLiteral("x"));
    QVERIFY(page.messageLabel()->isVisible());
    QCOMPARE(page.messageLabel()->text(), unsaved());

    test::makeWritable(m_file);
    QTest::keyClick(page.workingDirectoryField(), Qt::Key_End);
    QTest::keyClicks(page.workingDirectoryField(), QStringLiteral("/"));
    QVERIFY(!page.messageLabel()->isVisible());
}

void TestSettingsWrites::languageChosenOnTheDisplayPage()
{
    DisplaySettingsPage page;
    page.show();
    if (!test::makeUnwritable(m_file))
        QSKIP("this file system cannot make a file unwritable");
    page.languagePicker()->setFocus();
    QTest::keyClick(page.languagePicker(), Qt::Key_Down);
    QCOMPARE(InterfaceLanguage::shared().language(), AppLanguage::chinese);
    QVERIFY(page.messageLabel()->isVisible());
    QCOMPARE(page.messageLabel()->text(), unsaved()); // in the language just chosen
    QVERIFY(!page.messageLabel()->text().startsWith(QStringLiteral("Couldn't")));

    test::makeWritable(m_file);
    QTest::keyClick(page.languagePicker(), Qt::Key_Up);
    QCOMPARE(InterfaceLanguage::shared().language(), AppLanguage::english);
    QVERIFY(!page.messageLabel()->isVisible());
}

void TestSettingsWrites::dividerDraggedInATab()
{
    RagSession::resetStatusCheckedThisLaunchForTesting();
    test::WorkflowFixture fixture;
    AppServices services(*fixture.settings, *fixture.history);
    services.makePrompts = [](QWidget *) { return std::make_unique<test::ScriptedPrompts>(); };
    ContentView tab(services);
    tab.resize(1100, 700);
    tab.show();
    QSplitter *split = tab.splitter();
    QTRY_VERIFY(tab.sidebar()->width() > 0);

    if (!test::makeUnwritable(m_file))
        QSKIP("this file system cannot make a file unwritable");
    const int width = tab.sidebar()->width() + 40;
    split->setSizes({width, split->width() - split->handleWidth() - width});
    QTest::mouseRelease(split->handle(1), Qt::LeftButton);
    QTRY_VERIFY(tab.session().hasErrorMessage());
    QCOMPARE(tab.session().errorMessageText(), unsaved());
    QTRY_VERIFY(tab.errorAlert() && tab.errorAlert()->isVisible());
}

QTEST_MAIN(TestSettingsWrites)
#include "test_settingswrites.moc"
