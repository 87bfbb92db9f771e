#include "settings/systemsettingspage.h"

#include "appservices.h"
#include "i18n/translate.h"
#include "language/retranslate.h"
#include "rag/ragpaths.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "settings/settingslabels.h"
#include "widgets/interfacefonts.h"
#include "widgets/standardbox.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

namespace tovik {

namespace {

// The rag installed beside the app when there is one, else the user's own bin folder.
QString ragPathPlaceholder(const RagSettings &settings)
{
    const QString beside = settings.besideExecutableFolder() + QStringLiteral("/rag");
    return isExecutableRag(beside) ? beside : QStringLiteral("~/.local/bin/rag");
}

} // namespace

SystemSettingsPage::SystemSettingsPage(AppServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_session(new RagSession(&services.settings(), this))
    , m_ragPathTitle(settingsHeadline(this))
    , m_ragPath(new QLineEdit(this))
    , m_browseRag(new QPushButton(this))
    , m_ragPathCaption(settingsCaption(this))
    , m_usePath(new QPushButton(this))
    , m_workingTitle(settingsHeadline(this))
    , m_workingDirectory(new QLineEdit(this))
    , m_browseWorkingDirectory(new QPushButton(this))
    , m_workingCaption(settingsCaption(this))
    , m_statusTitle(settingsHeadline(this))
    , m_checkAgain(new QPushButton(this))
    , m_status(new QPlainTextEdit(this))
    , m_message(settingsCaption(this))
{
    RagSettings &settings = services.settings();
    m_ragPath->setPlaceholderText(ragPathPlaceholder(settings));
    m_ragPath->setText(settings.ragPath());
    m_workingDirectory->setPlaceholderText(QStringLiteral("~"));
    m_workingDirectory->setText(settings.workingDirectory());
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_status->setReadOnly(true);
    m_status->setFrameShape(QFrame::NoFrame);
    m_status->setFont(withChineseFallback(QFontDatabase::systemFont(QFontDatabase::FixedFont)));
    m_status->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    auto *statusBox = new StandardBox(this);
    auto *statusColumn = new QVBoxLayout(statusBox);
    statusColumn->setContentsMargins(8, 8, 8, 8);
    statusColumn->addWidget(m_status);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);
    auto section = [column](std::initializer_list<QWidget *> widgets) {
        auto *stack = new QVBoxLayout;
        stack->setSpacing(6);
        for (QWidget *widget : widgets)
            stack->addWidget(widget, 0, Qt::AlignLeft);
        column->addLayout(stack);
        return stack;
    };
    auto fieldRow = [](QLineEdit *field, QPushButton *browse) {
        auto *row = new QHBoxLayout;
        row->addWidget(field, 1);
        row->addWidget(browse);
        return row;
    };
    auto *pathSection = section({m_ragPathTitle});
    pathSection->addLayout(fieldRow(m_ragPath, m_browseRag));
    pathSection->addWidget(m_ragPathCaption);
    pathSection->addWidget(m_usePath, 0, Qt::AlignLeft);
    auto *workingSection = section({m_workingTitle});
    workingSection->addLayout(fieldRow(m_workingDirectory, m_browseWorkingDirectory));
    workingSection->addWidget(m_workingCaption);
    auto *statusRow = new QHBoxLayout;
    statusRow->addWidget(m_statusTitle);
    statusRow->addStretch(1);
    statusRow->addWidget(m_checkAgain);
    column->addLayout(statusRow);
    column->addWidget(m_message);
    column->addWidget(statusBox, 1);

    // Every keystroke is stored, as typed.
    connect(m_ragPath, &QLineEdit::textEdited, &settings, &RagSettings::setRagPath);
    connect(m_workingDirectory, &QLineEdit::textEdited, &settings, &RagSettings::setWorkingDirectory);
    connect(&settings, &RagSettings::ragPathChanged, this, [this] {
        if (m_ragPath->text() != m_services.settings().ragPath())
            m_ragPath->setText(m_services.settings().ragPath());
    });
    connect(&settings, &RagSettings::workingDirectoryChanged, this, [this] {
        if (m_workingDirectory->text() != m_services.settings().workingDirectory())
            m_workingDirectory->setText(m_services.settings().workingDirectory());
    });
    connect(&settings, &RagSettings::statusTextChanged, this, &SystemSettingsPage::refreshStatus);
    connect(&settings, &RagSettings::storeErrorChanged, this, &SystemSettingsPage::refresh);
    connect(m_browseRag, &QPushButton::clicked, this, &SystemSettingsPage::browseForRag);
    connect(m_browseWorkingDirectory, &QPushButton::clicked, this, &SystemSettingsPage::browseForWorkingDirectory);
    connect(m_usePath, &QPushButton::clicked, this, [this] {
        m_session->clearErrorMessage();
        m_session->applyRagPath();
    });
    connect(m_checkAgain, &QPushButton::clicked, this, [this] {
        m_session->clearErrorMessage();
        // A fresh check says nothing of an earlier "Use This Path".
        m_session->clearNotice();
        m_session->checkStatus();
    });
    for (auto signal : {&RagSession::isBusyChanged, &RagSession::errorMessageChanged, &RagSession::noticeChanged})
        connect(m_session, signal, this, &SystemSettingsPage::refresh);
    followLanguage(this, [this] {
        refresh();
        refreshStatus();
    });
}

void SystemSettingsPage::refresh()
{
    m_ragPathTitle->setText(translate(QStringLiteral("rag path")));
    m_ragPathCaption->setText(
        translate(QStringLiteral("Executable. A folder that contains rag.toml is used as the working directory instead.")));
    m_usePath->setText(translate(QStringLiteral("Use This Path")));
    m_browseRag->setText(translate(QStringLiteral("Browse…")));
    m_browseWorkingDirectory->setText(m_browseRag->text());
    m_workingTitle->setText(translate(QStringLiteral("Working Directory")));
    m_workingCaption->setText(
        translate(QStringLiteral("A parent folder with rag.toml is used. Otherwise ~/.tovikrag/rag.toml.")));
    m_statusTitle->setText(translate(QStringLiteral("Status")));
    m_checkAgain->setText(translate(QStringLiteral("Check Again")));
    m_ragPath->setAccessibleName(m_ragPathTitle->text());
    m_workingDirectory->setAccessibleName(m_workingTitle->text());
    m_status->setAccessibleName(m_statusTitle->text());

    const bool busy = m_session->isBusy();
    // Disabling the focused button would hand focus to the next field with its text
    // selected, where one stray key overwrites a saved path: park focus on the status
    // box meanwhile and give it back afterwards.
    for (QPushButton *button : {m_usePath, m_checkAgain}) {
        if (busy && button->hasFocus()) {
            m_focusAfterBusy = button;
            m_status->setFocus(Qt::OtherFocusReason);
        }
    }
    m_usePath->setEnabled(!busy);
    m_checkAgain->setEnabled(!busy);
    if (!busy && m_focusAfterBusy) {
        if (m_status->hasFocus())
            m_focusAfterBusy->setFocus(Qt::OtherFocusReason);
        m_focusAfterBusy = nullptr;
    }
    // A path typed here that could not be saved comes first; then this page's own
    // session reports here: an error first, else its notice.
    const QString &storeError = m_services.settings().storeError();
    const bool isError = !storeError.isEmpty() || m_session->hasErrorMessage();
    const QString message = !storeError.isEmpty() ? storeError
        : m_session->hasErrorMessage()            ? m_session->errorMessageText()
                                                  : m_session->noticeText();
    m_message->setText(message);
    m_message->setVisible(!message.isEmpty());
    m_message->setForegroundRole(isError ? QPalette::Text : QPalette::PlaceholderText);
}

namespace {

// A chooser that starts in `folder` when it exists and stores the choice on acceptance,
// as typing it would. Window-modal, so the settings window waits for it.
void openChooser(QWidget *parent, const QString &title, QFileDialog::FileMode mode, const QString &folder,
                 std::function<void(const QString &)> chosen)
{
    auto *dialog = new QFileDialog(parent, title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(mode);
    if (mode == QFileDialog::Directory)
        dialog->setOption(QFileDialog::ShowDirsOnly);
    if (isDirectoryPath(folder))
        dialog->setDirectory(expandTilde(folder));
    QObject::connect(dialog, &QDialog::accepted, parent, [dialog, chosen = std::move(chosen)] {
        if (const QString path = dialog->selectedFiles().value(0); !path.isEmpty())
            chosen(path);
    });
    dialog->open();
}

} // namespace

void SystemSettingsPage::browseForRag()
{
    RagSettings &settings = m_services.settings();
    // Beside the current program, else where the installed rag lives.
    const QString current = expandTilde(settings.ragPath());
    const QString folder = current.isEmpty()   ? settings.besideExecutableFolder()
        : isDirectoryPath(current) ? current
                                   : QFileInfo(current).path();
    openChooser(this, translate(QStringLiteral("Choose the rag Program")), QFileDialog::ExistingFile, folder,
                [&settings](const QString &path) { settings.setRagPath(path); });
}

void SystemSettingsPage::browseForWorkingDirectory()
{
    RagSettings &settings = m_services.settings();
    openChooser(this, translate(QStringLiteral("Choose the Working Directory")), QFileDialog::Directory,
                settings.workingDirectory(), [&settings](const QString &path) { settings.setWorkingDirectory(path); });
}

void SystemSettingsPage::refreshStatus()
{
    m_status->setPlainText(statusDisplayText(m_services.settings().statusText()));
}

} // namespace tovik
