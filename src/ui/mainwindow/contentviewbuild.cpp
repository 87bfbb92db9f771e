// The tab's widgets: the sidebar pages and the detail column.
#include "mainwindow/contentview.h"

#include "documents/documentpreview.h"
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
#include "preview/citations.h"
#include "preview/documentpreviewmodel.h"
#include "preview/previewtabmonitor.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "tabs/contentmodel.h"
#include "tabs/contentrules.h"
#include "tabs/opentabregistrar.h"
#include "widgets/busybar.h"
#include "widgets/headerrow.h"
#include "widgets/messageboxprompts.h"
#include "widgets/symbolicon.h"

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
    m_readOnlyQuestion->setAccessibleTexts(QStringLiteral("Question"));
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
    m_answeringSpinner = makeBusyBar(36, detail);
    m_answeringLabel = new QLabel(detail);
    m_answeringLabel->setForegroundRole(QPalette::PlaceholderText);
    QHBoxLayout *answerHeader = makeHeaderRow(m_answerTitle, m_answeringSpinner, m_answeringLabel);
    m_answer = new TextBox(QStringLiteral("Answer"), detail);
    m_answer->setMinimumHeight(140);
    m_answer->setPlaceholder(QStringLiteral("The answer shows up here."));
    m_answer->copyButton()->setTextProvider([this] { return m_model->session().answerText(); });
    m_answer->setSource(&session, &session.answerText());
    m_answer->editor()->setCitationLinks(true);
    connect(m_answer->editor(), &TextView::citationActivated, this, &ContentView::showCitation);
    m_answer->setAccessibleTexts(QStringLiteral("Answer"),
                                 QStringLiteral("The answer to the question, with the files and pages it cites."));

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
    m_log->setSource(&session, &session.logText());
    m_log->setAccessibleTexts(QStringLiteral("Log"),
                              QStringLiteral("What rag reported while ingesting and answering."));

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

} // namespace tovik
