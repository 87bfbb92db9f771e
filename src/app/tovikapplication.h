#pragma once

#include <QApplication>
#include <QList>
#include <QUrl>

#include <memory>

namespace tovik {

class AppServices;
class ContentView;
class HistoryFileWatcher;
class InstanceServer;
class MainWindow;
class QuestionHistoryStore;
class RagSettings;
struct InstanceRequest;

// Creates the process-wide objects once (settings, history store, language) and opens
// the first main window. Quitting never asks about unsaved questions. Tests drive the
// real application through it: construct it with command-line arguments, then start().
class TovikApplication final : public QApplication
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TovikApplication)

public:
    TovikApplication(int &argc, char **argv);
    ~TovikApplication() override;

    // Answers --version, --help and a mistyped option on the terminal and exits, before
    // any window system is needed; returns for a launch.
    static void answerWithoutWindow(int argc, char **argv);
    // Hands the files named on the command line to the instance already running on
    // this display, which opens them in a new tab of its front window; true when it
    // took them and this launch has nothing left to do. Launches with options that
    // apply to one run (--working-directory, --rag) start their own window instead.
    static bool handOverToRunningInstance(int argc, char **argv);

    // Opens the first main window (and queues the files named on the command line),
    // then takes hand-overs from later launches.
    MainWindow *start();
    // start(), then the event loop.
    int run();

    AppServices &services() const { return *m_services; }

private:
    void takeHandOver(const InstanceRequest &request);
    static void queueForIngest(ContentView *tab, const QList<QUrl> &files);

    std::unique_ptr<RagSettings> m_settings;
    std::unique_ptr<QuestionHistoryStore> m_history;
    std::unique_ptr<AppServices> m_services;
    QList<QUrl> m_filesToIngest;
    HistoryFileWatcher *m_historyWatcher = nullptr;
    InstanceServer *m_instanceServer = nullptr;
};

} // namespace tovik
