#pragma once

#include <QObject>

class QWidget;

#include <functional>
#include <memory>

namespace tovik {

class QuestionHistoryStore;
class RagSettings;
class UserPrompts;

// The process-wide objects every window shares, created once by the application.
class AppServices final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppServices)

public:
    AppServices(RagSettings &settings, QuestionHistoryStore &history, QObject *parent = nullptr)
        : QObject(parent), m_settings(settings), m_history(history) {}

    RagSettings &settings() const { return m_settings; }
    QuestionHistoryStore &history() const { return m_history; }

    // Set while the application quits: closing then never asks about unsaved questions.
    bool isTerminating() const { return m_terminating; }
    void setTerminating() { m_terminating = true; }

    std::function<void()> openCompareWindow;
    // Makes the alerts a tab asks through; real message boxes unless a test says otherwise.
    std::function<std::unique_ptr<UserPrompts>(QWidget *owner)> makePrompts;
    std::function<void()> openSettingsWindow;

private:
    RagSettings &m_settings;
    QuestionHistoryStore &m_history;
    bool m_terminating = false;
};

} // namespace tovik
