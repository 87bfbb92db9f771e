#pragma once

// Drives the real application the way a person does: the application object started
// with command-line arguments, its windows operated with clicks and keys, and the
// modal dialogs and menus that open on the way answered like a user would.

#include <QAbstractButton>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

class QMenu;
class QWidget;

namespace tovik {
class ContentView;
class MainWindow;
class SelectablePDFPageView;
class TovikApplication;
}

namespace tovik::test {

// A scratch copy of the demo project (rag.toml, documents and an ingested corpus) and
// the rag tools the tests run. Made before the application exists.
struct UserPathEnvironment
{
    UserPathEnvironment();

    QTemporaryDir scratch;
    QString project;
    // Writes a small text document in the scratch folder and returns its path.
    QString writeDocument(const QString &name, const QString &text) const;

    static QString referenceRag();
    // The scripted stand-in (FAKE_RAG_MODE picks its behaviour).
    static QString fakeRag();
};

// Runs `action` once on the next modal dialog that opens (a dialog run with exec()
// blocks the click that opened it, so the action is set up before that click).
void onNextModal(std::function<void(QWidget *modal)> action);
// Runs `action` once on the next popup menu that opens.
void onNextPopup(std::function<void(QMenu *menu)> action);

// The visible button under `root` whose text (without mnemonics) is `text`.
QAbstractButton *buttonWithText(QWidget *root, const QString &text);
// The action of `menu` whose text (without mnemonics) is `text`.
QAction *actionWithText(QMenu *menu, const QString &text);
// Clicks the item `text` of an open menu, which also closes it (trigger() would not).
bool chooseMenuItem(QMenu *menu, const QString &text);
// A left click in the middle of `widget`.
void click(QWidget *widget);

MainWindow *frontWindow();
// Brings `window` to the front as a click on it would; keys then reach its shortcuts.
bool activate(QWidget *window);
// Presses keys in the front main window (made active first), where its shortcuts live.
void pressInFrontWindow(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
ContentView *currentTab();
// Types `question` into the current tab's question field and presses Return.
void askInCurrentTab(const QString &question);
// Waits until the tab's question is answered, and fails on an error message.
void waitForAnswer(ContentView *tab);
// The page view of `page` of `filename` on the tab's Documents page, once the page is
// loaded and near the screen; null when it does not come within rag's time.
SelectablePDFPageView *waitForPageView(ContentView *tab, const QString &filename, qint64 page);
// The shown top-level window with this object name, or null.
QWidget *shownTopLevel(const QString &objectName);

// Isolates the home folder, prepares the environment, starts the application with
// `--working-directory` on the scratch project plus `extraArguments(environment)`,
// and runs the test object `T(environment)`.
int runUserPathTest(int argc, char **argv, const std::function<QStringList(const UserPathEnvironment &)> &extraArguments,
                    const std::function<int(UserPathEnvironment &, int, char **)> &runTests);

} // namespace tovik::test

#define TOVIK_USER_PATH_MAIN(TestClass)                                                                              \
    int main(int argc, char **argv)                                                                                  \
    {                                                                                                                \
        return tovik::test::runUserPathTest(argc, argv, &TestClass::commandLine,                                     \
                                            [](tovik::test::UserPathEnvironment &environment, int n, char **args) { \
                                                TestClass test(environment);                                         \
                                                return QTest::qExec(&test, n, args);                                  \
                                            });                                                                      \
    }
