#include "app/userpath.h"

#include "documents/documentpreview.h"
#include "documents/previewpagelist.h"
#include "documents/selectablepdfpageview.h"
#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/questionfield.h"
#include "preview/previewrow.h"
#include "rag/ragsession.h"
#include "support/isolatedhome.h"
#include "tovikapplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDirIterator>
#include <QMenu>
#include <QSettings>
#include <QTimer>

#include <memory>
#include <vector>

namespace tovik::test {

namespace {

bool copyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else if (!QFile::copy(path, target))
            return false;
    }
    return true;
}

QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// Polls the event loop until `ready` gives a widget, then hands it to `action` once.
void whenReady(std::function<QWidget *()> ready, std::function<void(QWidget *)> action)
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    auto deadline = std::make_shared<QElapsedTimer>();
    deadline->start();
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, deadline, ready = std::move(ready),
                                                     action = std::move(action)] {
        QWidget *widget = ready();
        if (!widget && deadline->elapsed() < 30000)
            return;
        timer->stop();
        timer->deleteLater();
        if (widget)
            action(widget);
        else
            qWarning("The expected dialog or menu never opened.");
    });
    timer->start();
}

} // namespace

UserPathEnvironment::UserPathEnvironment()
{
    project = scratch.filePath(QStringLiteral("demo project"));
    if (!copyFolder(QStringLiteral(TOVIK_DEMO_DIR), project))
        qFatal("Couldn't copy the demo project.");
}

QString UserPathEnvironment::writeDocument(const QString &name, const QString &text) const
{
    const QString path = scratch.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        qFatal("Couldn't write a test document.");
    return path;
}

QString UserPathEnvironment::referenceRag()
{
    return QStringLiteral(TOVIK_RAG_PATH);
}

QString UserPathEnvironment::fakeRag()
{
    return testDataPath() + QStringLiteral("/support/fake-rag.sh");
}

void onNextModal(std::function<void(QWidget *)> action)
{
    whenReady([] { return QApplication::activeModalWidget(); }, std::move(action));
}

void onNextPopup(std::function<void(QMenu *)> action)
{
    whenReady([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); },
              [action = std::move(action)](QWidget *menu) { action(static_cast<QMenu *>(menu)); });
}

QAbstractButton *buttonWithText(QWidget *root, const QString &text)
{
    for (QAbstractButton *button : root->findChildren<QAbstractButton *>()) {
        if (button->isVisible() && withoutMnemonic(button->text()) == text)
            return button;
    }
    return nullptr;
}

QAction *actionWithText(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (withoutMnemonic(action->text()) == text)
            return action;
    }
    return nullptr;
}

bool chooseMenuItem(QMenu *menu, const QString &text)
{
    QAction *action = actionWithText(menu, text);
    if (!action || !action->isVisible() || !action->isEnabled()) {
        menu->close();
        return false;
    }
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
    return true;
}

void click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

MainWindow *frontWindow()
{
    return MainWindow::frontToBack().value(0);
}

bool activate(QWidget *window)
{
    window->raise();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

void pressInFrontWindow(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    MainWindow *window = frontWindow();
    if (!activate(window))
        qWarning("The main window didn't become active.");
    QWidget *focus = QApplication::focusWidget();
    QTest::keyClick(focus && focus->window() == window ? focus : window, key, modifiers);
}

ContentView *currentTab()
{
    MainWindow *window = frontWindow();
    return window ? window->currentTab() : nullptr;
}

void askInCurrentTab(const QString &question)
{
    activate(frontWindow());
    // As a user would, wait until the tab's status check (or an ingest) is done.
    QTRY_VERIFY_WITH_TIMEOUT(!currentTab()->session().isBusy(), 60000);
    QuestionField *field = currentTab()->questionField();
    field->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(field, question);
    QTest::keyClick(field, Qt::Key_Return);
}

int runUserPathTest(int argc, char **argv, const std::function<QStringList(const UserPathEnvironment &)> &extraArguments,
                    const std::function<int(UserPathEnvironment &, int, char **)> &runTests)
{
    isolateHome();
    UserPathEnvironment environment;
    {
        // What a user set up once in Settings → System.
        QSettings settings(isolatedHomePath() + QStringLiteral("/.config/tovikRAGUI/tovikRAGUI.conf"),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("ragExecutablePath"), UserPathEnvironment::referenceRag());
    }
    QStringList arguments{QStringLiteral("tovikrag"), QStringLiteral("--working-directory"), environment.project};
    arguments += extraArguments(environment);
    std::vector<QByteArray> storage;
    for (const QString &argument : std::as_const(arguments))
        storage.push_back(argument.toLocal8Bit());
    std::vector<char *> pointers;
    for (QByteArray &each : storage)
        pointers.push_back(each.data());
    pointers.push_back(nullptr);
    int count = static_cast<int>(storage.size());
    TovikApplication application(count, pointers.data());
    application.start();
    return runTests(environment, argc, argv);
}

void waitForAnswer(ContentView *tab)
{
    QTRY_VERIFY_WITH_TIMEOUT(!tab->session().isBusy() && !tab->session().answerText().isEmpty(), 60000);
    QVERIFY2(!tab->session().hasErrorMessage(), qPrintable(tab->session().errorMessageText()));
}

SelectablePDFPageView *waitForPageView(ContentView *tab, const QString &filename, qint64 page)
{
    SelectablePDFPageView *view = nullptr;
    const QString identity = PreviewRow::pageIdentity(filename, page);
    const bool shown =
        QTest::qWaitFor([&] { return (view = tab->documentsPage()->list()->pageView(identity)) != nullptr; }, 60000);
    return shown ? view : nullptr;
}

QWidget *shownTopLevel(const QString &objectName)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName() == objectName)
            return window;
    }
    return nullptr;
}

} // namespace tovik::test
