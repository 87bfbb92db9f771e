#pragma once

#include "history/questionrecord.h"
#include "mainwindow/answersnapshot.h"
#include "preview/citationmarker.h"
#include "tabs/windowid.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <QWidget>

#include <memory>

class QButtonGroup;
class QLabel;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QToolButton;

namespace tovik {

class AppServices;
class ContentModel;
class DocumentPreview;
class DocumentPreviewModel;
class IngestDropZone;
class UserPrompts;
class OpenTabRegistrar;
class PreviewTabMonitor;
class QuestionField;
class QuestionHistoryList;
class RagSession;
class StatusStrip;
class TextBox;

// One tab's workspace: the sidebar (Ingest, Documents, History) beside the detail
// (status, question with Ask and Save, answer, log). Everything it shows comes from
// its ContentModel and that model's session.
class ContentView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContentView)

public:
    explicit ContentView(AppServices &services, QWidget *parent = nullptr);
    ~ContentView() override;

    ContentModel &model() const { return *m_model; }
    RagSession &session() const;
    QUuid tabID() const;
    WindowId windowId() const { return m_windowId; }
    QString title() const;

    bool isSidebarShown(bool compact) const;
    void toggleSidebar(bool compact);
    void focusQuestion();
    // Ctrl+F: the Documents page with its find field focused; Escape there comes back.
    void startFind();
    // A citation marker of the answer was clicked: the Documents page (shown if it
    // wasn't) brings the cited page into view with the passage of the marker's claim.
    void showCitation(const CitationMarker &marker);
    // The unsaved-question guard: true when the tab may close.
    bool confirmClose();
    // The tab is about to go for good.
    void prepareToClose();
    void windowBecameActive();
    // Tells the tab which main window shows it now.
    void attachedToWindow();

    // Pieces for tests and the window.
    QuestionField *questionField() const { return m_questionField; }
    QPushButton *askButton() const { return m_ask; }
    QPushButton *saveButton() const { return m_save; }
    TextBox *answerBox() const { return m_answer; }
    TextBox *logBox() const { return m_log; }
    TextBox *readOnlyQuestion() const { return m_readOnlyQuestion; }
    QuestionHistoryList *historyList() const { return m_history; }
    DocumentPreview *documentsPage() const { return m_documentsPage; }
    DocumentPreviewModel &documentPreview() const { return *m_documentPreview; }
    StatusStrip *statusStrip() const { return m_status; }
    QButtonGroup *sidebarPicker() const { return m_picker; }
    QWidget *sidebar() const { return m_sidebar; }
    QWidget *detail() const { return m_detail; }
    QSplitter *splitter() const { return m_split; }
    QMessageBox *errorAlert() const { return m_errorAlert; }
    bool isCompactLayout() const { return m_compact; }

Q_SIGNALS:
    void titleChanged();
    void sidebarShownChanged();
    void openInNewTabRequested(tovik::QuestionRecord record);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildSidebar();
    QWidget *buildDetail();
    void chooseFiles();
    void leaveFind();
    void refreshState();
    void refreshHistoryList();
    void refreshSidebarLabels();
    void refreshDocumentsCount();
    void showError();
    void applyLayout();
    void applySidebarWidth(bool force);
    void commitDividerDrag();
    void publishToCatalog();
    void updatePreview();
    // What follows the answer (the documents count, the open tab catalog, the preview)
    // reads it now, or, while it streams, a few times a second. They keep what they
    // are given, so while more is coming they get a copy made a slice at a time: a
    // share of the session's text would make its next append copy all of it at once.
    void followAnswerNow();
    void followAnswerSoon();
    // How long the followers wait for their next copy of a growing answer.
    qint64 followWait() const;
    void followAnswer(const QString &answer);

    AppServices &m_services;
    std::unique_ptr<UserPrompts> m_prompts;
    ContentModel *m_model;
    std::unique_ptr<OpenTabRegistrar> m_registrar;
    DocumentPreviewModel *m_documentPreview;
    std::unique_ptr<PreviewTabMonitor> m_previewMonitor;
    WindowId m_windowId;

    QSplitter *m_split = nullptr;
    QWidget *m_sidebar = nullptr;
    QWidget *m_detail = nullptr;
    QButtonGroup *m_picker = nullptr;
    QStackedWidget *m_sidebarPages = nullptr;
    IngestDropZone *m_dropZone = nullptr;
    DocumentPreview *m_documentsPage = nullptr;
    QuestionHistoryList *m_history = nullptr;
    StatusStrip *m_status = nullptr;
    QuestionField *m_questionField = nullptr;
    TextBox *m_readOnlyQuestion = nullptr;
    QPushButton *m_ask = nullptr;
    QPushButton *m_save = nullptr;
    QLabel *m_answerTitle = nullptr;
    QProgressBar *m_answeringSpinner = nullptr;
    QLabel *m_answeringLabel = nullptr;
    TextBox *m_answer = nullptr;
    QLabel *m_logTitle = nullptr;
    QToolButton *m_logToggle = nullptr;
    TextBox *m_log = nullptr;
    QPointer<QMessageBox> m_errorAlert;
    QPointer<QWidget> m_focusBeforeFind;
    bool m_findFocusPending = false;

    bool m_sidebarShown = true;     // the split view's sidebar column (all columns vs detail only)
    bool m_compact = false;
    bool m_started = false;
    int m_documentsCount = 0;
    bool m_answerGrew = false;
    bool m_logGrew = false;
    QTimer m_followTimer;
    QElapsedTimer m_lastFollow;
    AnswerSnapshot m_snapshot;
    QString m_followedAnswer; // the answer as the followers last got it
    std::optional<double> m_enforcedWidth;
    bool m_appliedOnce = false;
    int m_sidebarMinimum = 160;
};

} // namespace tovik
