#include "mainwindow/contentview.h"

#include "documents/documentpreview.h"
#include "documents/findbar.h"
#include "widgets/copytextbutton.h"

#include "appservices.h"
#include "history/historysearchbinding.h"
#include "history/questionhistorylist.h"
#include "history/questionhistorystore.h"
#include "i18n/translate.h"
#include "language/retranslate.h"
#include "mainwindow/ingestdropzone.h"
#include "mainwindow/questionfield.h"
#include "mainwindow/sidebarwidthstore.h"
#include "mainwindow/statusstrip.h"
#include "mainwindow/tabwindowarrangement.h"
#include "mainwindow/textbox.h"
#include "preview/documentpreviewmodel.h"
#include "preview/previewtabmonitor.h"
#include "rag/ragpaths.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "tabs/contentmodel.h"
#include "tabs/contentrules.h"
#include "tabs/opentabregistrar.h"
#include "widgets/messageboxprompts.h"
#include "widgets/symbolicon.h"

#include <QApplication>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tovik {


ContentView::ContentView(AppServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_prompts(services.makePrompts ? services.makePrompts(this)
                                     : std::unique_ptr<UserPrompts>(std::make_unique<MessageBoxPrompts>(this)))
    , m_model(new ContentModel(services.settings(), services.history(), *m_prompts, this))
    , m_registrar(std::make_unique<OpenTabRegistrar>(m_model->tabID()))
    , m_documentPreview(new DocumentPreviewModel(this))
    , m_previewMonitor(std::make_unique<PreviewTabMonitor>(m_model->tabID(), m_documentPreview,
                                                           m_model->session().answerText(),
                                                           services.settings().workingDirectory(),
                                                           m_model->session().isAsking()))
    , m_windowId(TabWindowArrangement::shared().registerTab(this))
{
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setChildrenCollapsible(false);
    m_sidebar = buildSidebar();
    m_detail = buildDetail();
    m_split->addWidget(m_sidebar);
    m_split->addWidget(m_detail);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    m_split->handle(1)->installEventFilter(this);
    // Both columns may get narrow; the width rule keeps the sidebar's minimum.
    m_sidebar->setMinimumWidth(1);
    m_detail->setMinimumWidth(1);
    connect(m_split, &QSplitter::splitterMoved, this, [this] {
        if (!m_compact && m_sidebarShown && m_sidebar->width() < m_sidebarMinimum) {
            const int total = m_split->width() - m_split->handleWidth();
            m_split->setSizes({m_sidebarMinimum, std::max(1, total - m_sidebarMinimum)});
        }
    });

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_split);

    RagSession &session = m_model->session();
    connect(m_model, &ContentModel::stateChanged, this, &ContentView::refreshState);
    connect(m_model, &ContentModel::questionFocusReleased, this, [this] { m_questionField->clearFocus(); });
    connect(m_model, &ContentModel::isLogExpandedChanged, this, &ContentView::refreshState);
    connect(m_model, &ContentModel::citedPageCountChanged, this, &ContentView::refreshDocumentsCount);
    connect(&session, &RagSession::questionChanged, this, [this] {
        if (m_questionField->toPlainText() != m_model->session().question())
            m_questionField->setPlainText(m_model->session().question());
        m_readOnlyQuestion->setText(m_model->session().question());
        Q_EMIT titleChanged();
        publishToCatalog();
    });
    // Appends arrive as xxxAppended right before xxxTextChanged; a change without one
    // (a load, a clear) replaces the text.
    connect(&session, &RagSession::answerAppended, this, [this] {
        m_answerGrew = true;
        m_answer->sourceAppended();
    });
    connect(&session, &RagSession::answerTextChanged, this, [this] {
        if (std::exchange(m_answerGrew, false)) {
            followAnswerSoon();
            return;
        }
        m_answer->sourceReplaced();
        m_snapshot.cancel();
        followAnswerNow();
    });
    connect(&session, &RagSession::logAppended, this, [this] {
        m_logGrew = true;
        m_log->sourceAppended();
    });
    connect(&session, &RagSession::logTextChanged, this, [this] {
        if (!std::exchange(m_logGrew, false))
            m_log->sourceReplaced();
    });
    m_followTimer.setSingleShot(true);
    connect(&m_followTimer, &QTimer::timeout, this, [this] {
        // The answer may have grown a lot while the timer ran: a copy of it is due
        // only once the wait that fits its present size is over.
        if (const qint64 wait = followWait(); wait > 0)
            m_followTimer.start(int(wait));
        else
            followAnswerNow();
    });
    connect(&session, &RagSession::isAskingChanged, this, &ContentView::followAnswerNow);
    connect(&m_services.settings(), &RagSettings::workingDirectoryChanged, this, &ContentView::updatePreview);
    connect(&session, &RagSession::errorMessageChanged, this, &ContentView::showError);
    connect(&m_services.history(), &QuestionHistoryStore::recordsChanged, this, &ContentView::refreshHistoryList);
    connect(&m_services.history(), &QuestionHistoryStore::lastErrorChanged, this, &ContentView::refreshHistoryList);
    // A visit to History tries the file again when it could not be read before (another
    // program held it while the application started); once the list is read, it costs nothing.
    connect(m_model, &ContentModel::sidebarTabChanged, this, [this] {
        if (m_model->sidebarTab() == SidebarTab::history)
            m_services.history().openIfNeeded();
    });
    connect(&SidebarWidthStore::shared(), &SidebarWidthStore::widthChanged, this, [this] { applySidebarWidth(false); });

    auto *askShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this);
    connect(askShortcut, &QShortcut::activated, m_model, &ContentModel::ask);
    auto *askShortcutEnter = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), this);
    connect(askShortcutEnter, &QShortcut::activated, m_model, &ContentModel::ask);
    auto *saveShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
    connect(saveShortcut, &QShortcut::activated, this, [this] {
        if (m_model->canSave())
            m_model->saveQuestion();
    });

    auto *findShortcut = new QShortcut(QKeySequence::Find, this);
    connect(findShortcut, &QShortcut::activated, this, &ContentView::startFind);
    connect(m_documentsPage->findBar(), &FindBar::leaveRequested, this, &ContentView::leaveFind);
    m_documentsPage->findBar()->installEventFilter(this);
    connect(m_model, &ContentModel::sidebarTabChanged, this, [this] {
        if (m_model->sidebarTab() != SidebarTab::documents)
            m_findFocusPending = false;
    });

    followLanguage(this, [this] {
        refreshSidebarLabels();
        refreshState();
    });
    refreshHistoryList();
    updatePreview();
}

ContentView::~ContentView()
{
    TabWindowArrangement::shared().unregisterTab(m_windowId);
}

RagSession &ContentView::session() const
{
    return m_model->session();
}

QUuid ContentView::tabID() const
{
    return m_model->tabID();
}

QString ContentView::title() const
{
    return m_model->tabTitle();
}

void ContentView::refreshSidebarLabels()
{
    m_picker->button(0)->setText(translate(QStringLiteral("Ingest")));
    m_picker->button(1)->setText(m_documentsCount >= 1
                                     ? translated(QStringLiteral("Documents ({count})"),
                                                  {{QStringLiteral("count"), QString::number(m_documentsCount)}})
                                     : translate(QStringLiteral("Documents")));
    m_picker->button(2)->setText(translate(QStringLiteral("History")));
    for (QAbstractButton *segment : m_picker->buttons())
        segment->setAccessibleDescription(translate(QStringLiteral("Sidebar")));
}

void ContentView::refreshDocumentsCount()
{
    const int count = static_cast<int>(m_model->citedPageCount());
    if (count != m_documentsCount) {
        m_documentsCount = count;
        refreshSidebarLabels();
    }
}

void ContentView::refreshState()
{
    const ContentModel &model = *m_model;
    const RagSession &session = model.session();
    const bool loaded = model.loadedFromHistory();
    m_questionField->setVisible(!loaded);
    m_readOnlyQuestion->setVisible(loaded);
    m_readOnlyQuestion->copyButton()->setVisible(loaded && !trimmedView(session.question()).isEmpty());
    m_questionField->setPlaceholderText(translate(QStringLiteral("Ask the corpus a question")));
    m_questionField->setAccessibleName(translate(QStringLiteral("Ask the corpus a question")));

    m_ask->setText(translate(QStringLiteral("Ask")));
    m_ask->setEnabled(model.canAsk());
    m_ask->setToolTip(translate(model.askButtonHelp()));
    m_save->setText(translate(model.saveButtonTitle()));
    m_save->setEnabled(model.canSave());
    m_save->setToolTip(translate(model.saveButtonHelp()));

    m_answerTitle->setText(translate(QStringLiteral("Answer")));
    m_answeringSpinner->setVisible(session.isAsking());
    m_answeringLabel->setVisible(session.isAsking());
    m_answeringLabel->setText(translate(QStringLiteral("Answering…")));
    m_answer->setWaiting(session.isAsking(), QStringLiteral("Waiting for rag…"));

    m_logTitle->setText(translate(QStringLiteral("Log")));
    const bool expanded = model.isLogExpanded();
    m_log->setVisible(expanded);
    m_logToggle->setIcon(symbolIcon(expanded ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"), m_logToggle));
    m_logToggle->setToolTip(translate(expanded ? QStringLiteral("Collapse Log") : QStringLiteral("Expand Log")));
    m_logToggle->setAccessibleName(m_logToggle->toolTip());

    m_history->setCurrentID(model.currentHistoryID());
    Q_EMIT titleChanged();
}

void ContentView::refreshHistoryList()
{
    const QuestionHistoryStore &history = m_services.history();
    m_history->setRecords(history.records());
    m_history->setProblem(history.lastError());
    m_history->setCurrentID(m_model->currentHistoryID());
}

void ContentView::showError()
{
    RagSession &session = m_model->session();
    if (!session.hasErrorMessage()) {
        if (m_errorAlert)
            m_errorAlert->close();
        return;
    }
    if (!m_errorAlert) {
        m_errorAlert = new QMessageBox(QMessageBox::Warning, QString(), QString(), QMessageBox::NoButton, this);
        m_errorAlert->setAttribute(Qt::WA_DeleteOnClose);
        m_errorAlert->setWindowModality(Qt::WindowModal);
        m_errorAlert->addButton(translate(QStringLiteral("OK")), QMessageBox::AcceptRole);
        // Dismissing the alert clears the message it showed.
        connect(m_errorAlert, &QMessageBox::finished, this, [this] { m_model->session().clearErrorMessage(); });
    }
    m_errorAlert->setWindowTitle(translate(QStringLiteral("Couldn't do that")));
    m_errorAlert->setText(translate(QStringLiteral("Couldn't do that")));
    m_errorAlert->setInformativeText(session.errorMessageText());
    m_errorAlert->open();
}

void ContentView::chooseFiles()
{
    QStringList filters = RagSession::importableContentTypes();
    QStringList patterns;
    for (const QString &extension : RagSession::ingestibleExtensions())
        patterns.append(QStringLiteral("*.") + extension);
    filters.prepend(translate(QStringLiteral("Ingest")) + QStringLiteral(" (") + patterns.join(QLatin1Char(' '))
                    + QLatin1Char(')'));
    auto *dialog = new QFileDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters(filters);
    dialog->setWindowTitle(translate(QStringLiteral("Choose Files…")));
    // Start where rag works: that is where the user's documents usually are.
    const QFileInfo workingDirectory(expandTilde(m_services.settings().workingDirectory()));
    if (!m_services.settings().workingDirectory().isEmpty() && workingDirectory.isDir())
        dialog->setDirectory(workingDirectory.absoluteFilePath());
    // Qt's own dialog reports files and the desktop's reports URLs; both fill
    // selectedFiles() by the time the dialog is accepted.
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        QList<QUrl> urls;
        for (const QString &file : dialog->selectedFiles())
            urls.append(QUrl::fromLocalFile(file));
        if (!urls.isEmpty())
            m_model->session().enqueue(urls);
    });
    dialog->open();
}

void ContentView::startFind()
{
    // On the History page, find means its search box; everywhere else the cited pages.
    if (m_sidebarShown && m_model->sidebarTab() == SidebarTab::history && m_history->focusSearch())
        return;
    QLineEdit *field = m_documentsPage->findBar()->field();
    if (QWidget *before = QApplication::focusWidget(); before && before != field && isAncestorOf(before))
        m_focusBeforeFind = before;
    m_model->setSidebarTab(SidebarTab::documents);
    if (!m_sidebarShown)
        toggleSidebar(m_compact);
    // The find field shows only once there are cited documents to search; a page that
    // is still loading them gets the focus when they arrive.
    m_findFocusPending = !field->isVisibleTo(this);
    if (!m_findFocusPending) {
        field->setFocus(Qt::ShortcutFocusReason);
        field->selectAll();
    }
}

void ContentView::showCitation(const CitationMarker &marker)
{
    // The documents page reads the answer as of now, so the marker is among its claims.
    followAnswerNow();
    m_model->setSidebarTab(SidebarTab::documents);
    if (!m_sidebarShown)
        toggleSidebar(m_compact);
    m_documentsPage->showCitation(marker.range.location);
}

void ContentView::leaveFind()
{
    QWidget *target = m_focusBeforeFind;
    m_focusBeforeFind = nullptr;
    if (!target || !target->isVisible() || !target->isEnabled())
        target = m_questionField->isVisible() ? static_cast<QWidget *>(m_questionField) : m_answer->editor();
    target->setFocus(Qt::OtherFocusReason);
}

bool ContentView::isSidebarShown(bool) const
{
    return m_sidebarShown;
}

void ContentView::toggleSidebar(bool)
{
    m_sidebarShown = !m_sidebarShown;
    applyLayout();
    Q_EMIT sidebarShownChanged();
}

void ContentView::focusQuestion()
{
    if (!m_model->loadedFromHistory())
        QTimer::singleShot(0, m_questionField, [field = m_questionField] { field->setFocus(Qt::OtherFocusReason); });
}

bool ContentView::confirmClose()
{
    return m_model->confirmClose();
}

void ContentView::prepareToClose()
{
    m_registrar->close();
    m_previewMonitor.reset(); // leaves the preview shelf
    TabWindowArrangement::shared().tabWillClose(m_windowId);
    m_model->session().cancel();
}

void ContentView::windowBecameActive()
{
    TabWindowArrangement::shared().tabBecameKey(m_windowId);
    if (m_previewMonitor)
        m_previewMonitor->windowBecameKey();
}

void ContentView::attachedToWindow()
{
    m_registrar->setWindow(m_windowId);
    publishToCatalog();
}

void ContentView::publishToCatalog()
{
    const RagSession &session = m_model->session();
    m_registrar->update(m_model->tabTitle(), session.question(), m_followedAnswer, session.isAsking());
}

void ContentView::updatePreview()
{
    const RagSession &session = m_model->session();
    const QString workingDirectory = m_services.settings().workingDirectory();
    if (m_previewMonitor)
        m_previewMonitor->update(m_model->tabID(), m_documentPreview, m_followedAnswer, workingDirectory,
                                 session.isAsking());
    m_documentsPage->follow(m_followedAnswer, workingDirectory);
}

void ContentView::followAnswerNow()
{
    m_followTimer.stop();
    m_lastFollow.start();
    const RagSession &session = m_model->session();
    if (session.isAsking() && !session.answerText().isEmpty()) {
        // More is coming: the followers get a copy, never the text the session appends to.
        m_snapshot.take(&session.answerText(), [this](const QString &copy) { followAnswer(copy); });
    } else {
        m_snapshot.cancel();
        followAnswer(session.answerText());
    }
}

void ContentView::followAnswer(const QString &answer)
{
    m_followedAnswer = answer;
    publishToCatalog();
    updatePreview();
}

void ContentView::followAnswerSoon()
{
    if (m_followTimer.isActive() || m_snapshot.isCopying())
        return;
    m_followTimer.start(int(followWait()));
}

qint64 ContentView::followWait() const
{
    // A few times a second, and less often as the answer grows: copying it for the
    // followers (a few milliseconds per million characters) stays a small part of the time.
    const qint64 interval = std::max<qint64>(250, m_model->session().answerText().size() / 10000);
    const qint64 since = m_lastFollow.isValid() ? m_lastFollow.elapsed() : interval;
    return std::clamp<qint64>(interval - since, 0, interval);
}

void ContentView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    applyLayout();
    if (m_started)
        return;
    m_started = true;
    // First appearance: open the history, then let the session prepare (the first tab
    // of the process checks rag's status).
    QTimer::singleShot(0, this, [this] {
        m_services.history().openIfNeeded();
        refreshHistoryList();
        m_model->session().prepare();
    });
}

} // namespace tovik
