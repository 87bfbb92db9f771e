#pragma once

#include <QApplication>

#include <memory>

namespace tovik {

class AppServices;
class QuestionHistoryStore;
class RagSettings;

// Creates the process-wide objects once (settings, history store, language) and opens
// the first main window. Quitting never asks about unsaved questions.
class TovikApplication final : public QApplication
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TovikApplication)

public:
    TovikApplication(int &argc, char **argv);
    ~TovikApplication() override;

    int run();

private:
    std::unique_ptr<RagSettings> m_settings;
    std::unique_ptr<QuestionHistoryStore> m_history;
    std::unique_ptr<AppServices> m_services;
};

} // namespace tovik
