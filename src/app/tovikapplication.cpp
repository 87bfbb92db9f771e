#include "tovikapplication.h"

#include "appservices.h"
#include "compare/comparewindow.h"
#include "history/historyfilewatcher.h"
#include "history/questionhistorystore.h"
#include "mainwindow/contentview.h"
#include "mainwindow/mainwindow.h"
#include "mainwindow/tabwindowarrangement.h"
#include "pictures/pagepicturemenu.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "settings/settingswindow.h"
#include "system/instanceclient.h"
#include "system/instancerequest.h"
#include "system/instanceserver.h"
#include "system/logcategories.h"
#include "tabs/opentabcatalog.h"
#include "widgets/interfacefonts.h"
#include "widgets/readablecolors.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace tovik {

namespace {

struct LaunchOptions
{
    LaunchOptions()
    {
        parser.setApplicationDescription(QStringLiteral("A window onto your local rag corpus."));
        parser.addOption(workingDirectory);
        parser.addOption(rag);
        parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Files to ingest in the first tab."),
                                     QStringLiteral("[FILE...]"));
    }

    // Prints the product's name and version and exits when --version is given: Qt's
    // answer would print the application name, which names the settings folder.
    // False when the arguments hold an option unknown here.
    bool answerVersion(const QStringList &arguments)
    {
        if (!parser.parse(arguments))
            return false;
        if (parser.isSet(version)) {
            std::printf("tovikRAG %s\n", TOVIK_VERSION);
            std::exit(EXIT_SUCCESS);
        }
        return true;
    }

    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption workingDirectory{
        QStringLiteral("working-directory"), QStringLiteral("Run rag in DIR for this launch only; the saved setting is kept."),
        QStringLiteral("DIR")};
    const QCommandLineOption rag{
        QStringLiteral("rag"), QStringLiteral("Start the rag at PATH for this launch only; the saved setting is kept."),
        QStringLiteral("PATH")};
};

} // namespace

void TovikApplication::answerWithoutWindow(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    LaunchOptions options;
    // Options of Qt's window system (-platform, -style, ...) are unknown here, and
    // --help-all lists them: the application answers those once it has taken its own.
    if (options.answerVersion(application.arguments()) && !options.parser.isSet(QStringLiteral("help-all")))
        options.parser.process(application); // --help ends here
}

bool TovikApplication::handOverToRunningInstance(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    LaunchOptions options;
    // Options of Qt's window system are unknown here; such a launch starts by itself.
    if (!options.parser.parse(application.arguments()) || options.parser.isSet(options.workingDirectory)
        || options.parser.isSet(options.rag))
        return false;
    InstanceRequest request;
    // Relative names mean this launch's working directory, which the instance does not share.
    for (const QString &file : options.parser.positionalArguments())
        request.files.append(QFileInfo(file).absoluteFilePath());
    request.activationToken = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    const QString name = InstanceServer::sessionName();
    if (!InstanceClient::handOver(name, request))
        return false;
    qCInfo(lcInstance) << "handed" << request.files.size() << "files to the instance on" << name;
    return true;
}

TovikApplication::TovikApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setOrganizationName(QStringLiteral("tovikRAGUI"));
    setApplicationName(QStringLiteral("tovikRAGUI"));
    setApplicationVersion(QStringLiteral(TOVIK_VERSION));
    setApplicationDisplayName(QStringLiteral("tovikRAG"));
    setDesktopFileName(QStringLiteral("tovikrag"));
    setWindowIcon(QIcon(QStringLiteral(":/tovikrag.svg")));
    setQuitOnLastWindowClosed(true);
    // Symbols come from the freedesktop icon theme; desktops without one get Adwaita.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    applyInterfaceFonts();
    keepSecondaryTextReadable(*this);

    LaunchOptions options;
    options.answerVersion(arguments());
    options.parser.process(arguments());

    m_settings = std::make_unique<RagSettings>();
    if (options.parser.isSet(options.workingDirectory))
        m_settings->useWorkingDirectoryForThisRun(
            QFileInfo(options.parser.value(options.workingDirectory)).absoluteFilePath());
    if (options.parser.isSet(options.rag))
        m_settings->useRagPathForThisRun(QFileInfo(options.parser.value(options.rag)).absoluteFilePath());
    // Files handed over on the command line ("Open With", a file manager's drop on the
    // launcher) are ingested like files dropped on the first tab.
    for (const QString &file : options.parser.positionalArguments())
        m_filesToIngest.append(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    m_history = std::make_unique<QuestionHistoryStore>();
    // Another instance (another login, another display) may write the same history.
    m_historyWatcher = new HistoryFileWatcher(*m_history, this);
    m_services = std::make_unique<AppServices>(*m_settings, *m_history);
    OpenTabCatalog::shared().setArrangement(&TabWindowArrangement::shared());
    m_services->openSettingsWindow = [this] { SettingsWindow::showShared(*m_services); };
    installPagePictureMenu();
    m_services->openCompareWindow = [] { CompareWindow::showShared(); };

    // The session manager ending the session counts as quitting.
    connect(this, &QGuiApplication::commitDataRequest, this, [this] { m_services->setTerminating(); });
}

TovikApplication::~TovikApplication() = default;

namespace {
// With TOVIK_REPORT_FIRST_PAINT set, prints "first-paint" once the first window has been
// painted and quits: the start-up benchmark times the whole launch from outside.
class FirstPaintReporter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_reported) {
            m_reported = true;
            QTimer::singleShot(0, qApp, [] {
                std::fputs("first-paint\n", stdout);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_reported = false;
};
} // namespace

MainWindow *TovikApplication::start()
{
    auto *window = new MainWindow(*m_services);
    ContentView *first = window->newTab();
    if (qEnvironmentVariableIsSet("TOVIK_REPORT_FIRST_PAINT")) {
        m_services->setTerminating();
        window->installEventFilter(new FirstPaintReporter(window));
    }
    window->show();
    if (!m_filesToIngest.isEmpty()) {
        queueForIngest(first, m_filesToIngest);
        m_filesToIngest.clear();
    }
    if (!m_instanceServer) {
        m_instanceServer = new InstanceServer(InstanceServer::sessionName(), this);
        if (m_instanceServer->listen()) {
            qCInfo(lcInstance) << "listening on" << m_instanceServer->fullServerName();
            connect(m_instanceServer, &InstanceServer::requestReceived, this, &TovikApplication::takeHandOver);
        } else {
            // Another instance answers there (it was busy when this one launched) or the
            // socket can't be made: this instance simply runs without taking hand-overs.
            qCInfo(lcInstance) << "not taking hand-overs:" << m_instanceServer->errorString();
        }
    }
    return window;
}

void TovikApplication::queueForIngest(ContentView *tab, const QList<QUrl> &files)
{
    // After the tab's first-appearance work, so the files queue behind its status check.
    QTimer::singleShot(0, tab, [tab, files] { tab->session().enqueue(files); });
}

void TovikApplication::takeHandOver(const InstanceRequest &request)
{
    MainWindow *window = MainWindow::frontToBack().value(0);
    if (!window) {
        window = new MainWindow(*m_services);
        window->newTab();
    }
    // Qt's Wayland plugin raises the window with the token the later launch was given.
    if (!request.activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", request.activationToken.toUtf8());
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
    if (request.files.isEmpty())
        return;
    QList<QUrl> files;
    for (const QString &file : request.files)
        files.append(QUrl::fromLocalFile(file));
    ContentView *tab = window->newTab();
    qCInfo(lcInstance) << "queued" << files.size() << "handed-over files in tab" << window->tabs().size();
    queueForIngest(tab, files);
}

int TovikApplication::run()
{
    start();
    return exec();
}

} // namespace tovik
