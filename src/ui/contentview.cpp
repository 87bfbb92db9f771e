#include "contentview.h"

#include "copytextbutton.h"
#include "documents/documentpreview.h"

#include "appservices.h"
#include "history/historysearchbinding.h"
#include "history/questionhistorylist.h"
#include "history/questionhistorystore.h"
#include "i18n/translate.h"
#include "ingestdropzone.h"
#include "messageboxprompts.h"
#include "preview/citations.h"
#include "preview/documentpreviewmodel.h"
#include "preview/previewtabmonitor.h"
#include "questionfield.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "retranslate.h"
#include "sidebarwidthstore.h"
#include "statusstrip.h"
#include "symbolicon.h"
#include "tabs/contentmodel.h"
#include "tabs/contentrules.h"
#include "tabs/opentabregistrar.h"
#include "tabwindowarrangement.h"
#include "textbox.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tovik {

namespace {
QFont headlineFont(QFont font)
{
    font.setBold(true);
    return font;
}
} // namespace

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
    connect(&session, &RagSession::questionChanged, this, [this] {
        if (m_questionField->toPlainText() != m_model->session().question())
            m_questionField->setPlainText(m_model->session().question());
        m_readOnlyQuestion->setText(m_model->session().question());
        Q_EMIT titleChanged();
        publishToCatalog();
    });
    // Lines arrive through xxxAppended before xxxTextChanged; a change that is not such
    // an append (a load, a clear) shows up as a size the box has not seen.
    connect(&session, &RagSession::answerAppended, this, [this](const QString &line) {
        m_answer->appendLine(line);
        m_shownAnswerSize += line.size() + 1;
    });
    connect(&session, &RagSession::answerTextChanged, this, [this] {
        const QString &answer = m_model->session().answerText();
        if (answer.size() != m_shownAnswerSize) {
            m_answer->setText(answer.endsWith(QLatin1Char('\n')) ? answer.chopped(1) : answer);
            m_shownAnswerSize = answer.size();
        }
        refreshDocumentsCount();
        publishToCatalog();
        updatePreview();
    });
    connect(&session, &RagSession::logAppended, this, [this](const QString &line) {
        m_log->appendLine(line);
        m_shownLogSize += line.size() + 1;
    });
    connect(&session, &RagSession::logTextChanged, this, [this] {
        const QString &log = m_model->session().logText();
        if (log.size() != m_shownLogSize) {
            m_log->setText(log.endsWith(QLatin1Char('\n')) ? log.chopped(1) : log);
            m_shownLogSize = log.size();
        }
    });
    connect(&session, &RagSession::isAskingChanged, this, &ContentView::publishToCatalog);
    connect(&session, &RagSession::isAskingChanged, this, &ContentView::updatePreview);
    connect(&m_services.settings(), &RagSettings::workingDirectoryChanged, this, &ContentView::updatePreview);
    connect(&session, &RagSession::errorMessageChanged, this, &ContentView::showError);
    connect(&m_services.history(), &QuestionHistoryStore::recordsChanged, this, &ContentView::refreshHistoryList);
    connect(&m_services.history(), &QuestionHistoryStore::lastErrorChanged, this, &ContentView::refreshHistoryList);
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

QWidget *ContentView::buildSidebar()
{
    auto *sidebar = new QWidget(this);
    auto *pickerRow = new QHBoxLayout;
    pickerRow->setSpacing(0);
    m_picker = new QButtonGroup(sidebar);
    m_picker->setExclusive(true);
    for (int index = 0; index < 3; ++index) {
        auto *segment = new QToolButton(sidebar);
        segment->setCheckable(true);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        segment->setToolButtonStyle(Qt::ToolButtonTextOnly);
        m_picker->addButton(segment, index);
        pickerRow->addWidget(segment);
    }
    m_picker->button(0)->setChecked(true);

    m_sidebarPages = new QStackedWidget(sidebar);
    auto *ingestPage = new QWidget(m_sidebarPages);
    m_dropZone = new IngestDropZone(ingestPage);
    auto *ingestColumn = new QVBoxLayout(ingestPage);
    ingestColumn->setContentsMargins(0, 0, 0, 0);
    ingestColumn->addWidget(m_dropZone);
    ingestColumn->addStretch(1);

    m_documentsPage = new DocumentPreview(*m_documentPreview, m_sidebarPages);

    m_history = new QuestionHistoryList(*m_prompts, m_sidebarPages);
    new HistorySearchBinding(*m_history);
    m_sidebarPages->addWidget(ingestPage);
    m_sidebarPages->addWidget(m_documentsPage);
    m_sidebarPages->addWidget(m_history);

    auto *column = new QVBoxLayout(sidebar);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(12);
    column->addLayout(pickerRow);
    column->addWidget(m_sidebarPages, 1);

    connect(m_picker, &QButtonGroup::idClicked, this, [this](int id) {
        m_model->setSidebarTab(static_cast<SidebarTab>(id));
    });
    connect(m_model, &ContentModel::sidebarTabChanged, this, [this] {
        const int id = static_cast<int>(m_model->sidebarTab());
        m_picker->button(id)->setChecked(true);
        m_sidebarPages->setCurrentIndex(id);
        applySidebarWidth(false);
    });
    connect(m_dropZone, &IngestDropZone::filesDropped, this,
            [this](const QList<QUrl> &urls) { m_model->session().enqueue(urls); });
    connect(m_dropZone, &IngestDropZone::chooseFilesRequested, this, &ContentView::chooseFiles);
    connect(m_history, &QuestionHistoryList::selectRequested, m_model, &ContentModel::selectRecord);
    connect(m_history, &QuestionHistoryList::deleteRequested, m_model, &ContentModel::deleteRecords);
    connect(m_history, &QuestionHistoryList::openInNewTabRequested, this, &ContentView::openInNewTabRequested);
    return sidebar;
}

QWidget *ContentView::buildDetail()
{
    auto *detail = new QWidget(this);
    RagSession &session = m_model->session();
    m_status = new StatusStrip(session, detail);

    m_questionField = new QuestionField(detail);
    m_questionField->consumesReturn = [this] { return m_model->canAsk(); };
    m_readOnlyQuestion = new TextBox(QStringLiteral("Question"), detail);
    m_readOnlyQuestion->setFitHeight(36, 108);
    m_ask = new QPushButton(detail);
    m_save = new QPushButton(detail);
    m_ask->setDefault(false);
    m_ask->setAutoDefault(false);
    m_save->setAutoDefault(false);
    auto *questionRow = new QHBoxLayout;
    questionRow->setSpacing(8);
    questionRow->addWidget(m_questionField, 1, Qt::AlignBottom);
    questionRow->addWidget(m_readOnlyQuestion, 1, Qt::AlignBottom);
    questionRow->addWidget(m_ask, 0, Qt::AlignBottom);
    questionRow->addWidget(m_save, 0, Qt::AlignBottom);

    m_answerTitle = new QLabel(detail);
    m_answerTitle->setFont(headlineFont(m_answerTitle->font()));
    m_answeringSpinner = new QProgressBar(detail);
    m_answeringSpinner->setRange(0, 0);
    m_answeringSpinner->setTextVisible(false);
    m_answeringSpinner->setFixedSize(36, 6);
    m_answeringLabel = new QLabel(detail);
    m_answeringLabel->setForegroundRole(QPalette::PlaceholderText);
    auto *answerHeader = new QHBoxLayout;
    answerHeader->setSpacing(8);
    answerHeader->addWidget(m_answerTitle);
    answerHeader->addWidget(m_answeringSpinner, 0, Qt::AlignVCenter);
    answerHeader->addWidget(m_answeringLabel);
    answerHeader->addStretch(1);
    m_answer = new TextBox(QStringLiteral("Answer"), detail);
    m_answer->setMinimumHeight(140);
    m_answer->setPlaceholder(QStringLiteral("The answer shows up here."));
    m_answer->copyButton()->setTextProvider([this] { return m_model->session().answerText(); });

    m_logTitle = new QLabel(detail);
    m_logTitle->setFont(headlineFont(m_logTitle->font()));
    m_logToggle = new QToolButton(detail);
    m_logToggle->setAutoRaise(true);
    auto *logHeader = new QHBoxLayout;
    logHeader->addWidget(m_logTitle);
    logHeader->addSpacing(8);
    logHeader->addStretch(1);
    logHeader->addWidget(m_logToggle);
    m_log = new TextBox(QString(), detail);
    m_log->setMinimumHeight(90);
    m_log->setMonospaced(true);
    m_log->setPlaceholder(QStringLiteral("Ingest and question logs show up here."));

    auto *column = new QVBoxLayout(detail);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(16);
    column->addWidget(m_status);
    column->addLayout(questionRow);
    auto *answerSection = new QVBoxLayout;
    answerSection->setSpacing(6);
    answerSection->addLayout(answerHeader);
    answerSection->addWidget(m_answer, 1);
    column->addLayout(answerSection, 3);
    auto *logSection = new QVBoxLayout;
    logSection->setSpacing(6);
    logSection->addLayout(logHeader);
    logSection->addWidget(m_log, 1);
    column->addLayout(logSection, 2);
    column->addStretch(0);

    connect(m_questionField, &QPlainTextEdit::textChanged, this, [this] {
        m_model->session().setQuestion(m_questionField->toPlainText());
    });
    connect(m_questionField, &QuestionField::submitted, m_model, &ContentModel::ask);
    connect(m_ask, &QPushButton::clicked, m_model, &ContentModel::ask);
    connect(m_save, &QPushButton::clicked, m_model, [this] { m_model->saveQuestion(); });
    connect(m_logToggle, &QToolButton::clicked, this, [this] { m_model->setLogExpanded(!m_model->isLogExpanded()); });
    for (auto signal : {&RagSession::isBusyChanged, &RagSession::isAskingChanged})
        connect(&session, signal, this, &ContentView::refreshState);
    return detail;
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
    // Counting citations reads the whole answer, so while it streams the count is
    // refreshed at most a few times a second rather than on every line.
    static constexpr int intervalMs = 200;
    auto *timer = findChild<QTimer *>(QStringLiteral("citationCount"));
    if (!timer) {
        timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("citationCount"));
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this] {
            const int count = static_cast<int>(citedPages(m_model->session().answerText()).size());
            if (count != m_documentsCount) {
                m_documentsCount = count;
                refreshSidebarLabels();
            }
        });
    }
    if (!timer->isActive())
        timer->start(m_model->session().isAsking() ? intervalMs : 0);
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
    m_logToggle->setIcon(symbolIcon(expanded ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right")));
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
    connect(dialog, &QFileDialog::urlsSelected, this,
            [this](const QList<QUrl> &urls) { m_model->session().enqueue(urls); });
    dialog->open();
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
    m_registrar->update(m_model->tabTitle(), session.question(), session.answerText(), session.isAsking());
}

void ContentView::updatePreview()
{
    const RagSession &session = m_model->session();
    const QString workingDirectory = m_services.settings().workingDirectory();
    if (m_previewMonitor)
        m_previewMonitor->update(m_model->tabID(), m_documentPreview, session.answerText(), workingDirectory,
                                 session.isAsking());
    m_documentsPage->follow(session.answerText(), workingDirectory);
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

void ContentView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

void ContentView::applyLayout()
{
    const bool compact = width() <= compactWidth;
    const bool compactChanged = compact != m_compact;
    m_compact = compact;
    if (compact) {
        m_sidebar->setVisible(m_sidebarShown);
        m_detail->setVisible(!m_sidebarShown);
        m_sidebar->setMaximumWidth(QWIDGETSIZE_MAX);
    } else {
        m_sidebar->setVisible(m_sidebarShown);
        m_detail->setVisible(true);
        applySidebarWidth(compactChanged);
    }
    if (compactChanged)
        Q_EMIT sidebarShownChanged();
}

void ContentView::applySidebarWidth(bool force)
{
    if (m_compact)
        return;
    const double available = width();
    const SidebarWidthRule rule =
        SidebarWidthRule::compute(available, SidebarWidthStore::shared().width(), m_sidebarShown);
    // The column minimum depends on the window width, so it is kept by the splitter's
    // moves below rather than as a widget minimum that would stop the window shrinking.
    m_sidebarMinimum = static_cast<int>(rule.minimum);
    m_sidebar->setMaximumWidth(static_cast<int>(rule.maximum));
    if (m_sidebarShown && m_sidebar->width() < m_sidebarMinimum) {
        const int total = m_split->width() - m_split->handleWidth();
        m_split->setSizes({m_sidebarMinimum, std::max(1, total - m_sidebarMinimum)});
    }
    const bool changed = rule.enforced.has_value() != m_enforcedWidth.has_value()
        || (rule.enforced && std::abs(*rule.enforced - *m_enforcedWidth) > 0.5);
    m_enforcedWidth = rule.enforced;
    if (!m_sidebarShown)
        return;
    if (!(changed || force || !m_appliedOnce))
        return;
    m_appliedOnce = true;
    const int target = static_cast<int>(rule.enforced ? *rule.enforced : rule.ideal);
    const int total = m_split->width() - m_split->handleWidth();
    if (total > target)
        m_split->setSizes({target, total - target});
}

void ContentView::commitDividerDrag()
{
    if (!m_sidebarShown || m_compact)
        return;
    if (const std::optional<double> remembered =
            rememberedDividerWidth(m_sidebar->width(), width(), m_enforcedWidth))
        SidebarWidthStore::shared().commit(*remembered);
}

bool ContentView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_split->handle(1) && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        QTimer::singleShot(0, this, &ContentView::commitDividerDrag);
    return QWidget::eventFilter(watched, event);
}

} // namespace tovik
