#pragma once

#include <QApplication>
#include <QList>
#include <QUrl>

#include <memory>

namespace tovik {

class AppServices;
class MainWindow;
class QuestionHistoryStore;
class RagSettings;

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

    // Opens the first main window (and queues the files named on the command line).
    MainWindow *start();
    // start(), then the event loop.
    int run();

    AppServices &services() const { return *m_services; }

private:
    std::unique_ptr<RagSettings> m_settings;
    std::unique_ptr<QuestionHistoryStore> m_history;
    std::unique_ptr<AppServices> m_services;
    QList<QUrl> m_filesToIngest;
};

} // namespace tovik
