#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace tovik {

class AppServices;
class RagSession;

// Settings → System: where rag is, where it runs, and its status. The page has a
// session of its own, so checking here never disturbs a tab.
class SystemSettingsPage final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SystemSettingsPage)

public:
    explicit SystemSettingsPage(AppServices &services, QWidget *parent = nullptr);

    RagSession &session() const { return *m_session; }
    QLineEdit *ragPathField() const { return m_ragPath; }
    QLineEdit *workingDirectoryField() const { return m_workingDirectory; }
    QPushButton *browseRagButton() const { return m_browseRag; }
    QPushButton *browseWorkingDirectoryButton() const { return m_browseWorkingDirectory; }
    QPushButton *usePathButton() const { return m_usePath; }
    QPushButton *checkAgainButton() const { return m_checkAgain; }
    QPlainTextEdit *statusBox() const { return m_status; }
    QLabel *messageLabel() const { return m_message; }

private:
    void refresh();
    void refreshStatus();
    void browseForRag();
    void browseForWorkingDirectory();

    AppServices &m_services;
    RagSession *m_session;
    QLabel *m_ragPathTitle;
    QLineEdit *m_ragPath;
    QPushButton *m_browseRag;
    QLabel *m_ragPathCaption;
    QPushButton *m_usePath;
    QLabel *m_workingTitle;
    QLineEdit *m_workingDirectory;
    QPushButton *m_browseWorkingDirectory;
    QLabel *m_workingCaption;
    QLabel *m_statusTitle;
    QPushButton *m_checkAgain;
    QPlainTextEdit *m_status;
    QLabel *m_message;
    QPushButton *m_focusAfterBusy = nullptr;
};

} // namespace tovik
