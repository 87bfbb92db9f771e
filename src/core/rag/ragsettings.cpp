#include "rag/ragsettings.h"

#include "i18n/translate.h"
#include "i18n/translationtable.h"
#include "system/loginshell.h"
#include "system/settingsstore.h"

#include <QCoreApplication>
#include <QDir>

namespace tovik {

namespace {
const QString ragPathKey = QStringLiteral("ragExecutablePath");
const QString workingDirectoryKey = QStringLiteral("ragWorkingDirectory");
} // namespace

RagSettings::RagSettings(QObject *parent)
    : QObject(parent)
    , m_defaults(makeSettingsStore())
    , m_statusText(notCheckedYetText())
    , m_loginShell(makeSystemLoginShell())
{
    m_ragPath = m_defaults->value(ragPathKey).toString();
    m_workingDirectory = m_defaults->contains(workingDirectoryKey)
        ? m_defaults->value(workingDirectoryKey).toString()
        : QDir::homePath();
}

RagSettings::~RagSettings() = default;

void RagSettings::store(const QString &key, const QString &value)
{
    const QString error = writeSetting(key, value).value_or(QString());
    if (error == m_storeError)
        return;
    m_storeError = error;
    Q_EMIT storeErrorChanged();
}

void RagSettings::setRagPath(const QString &path)
{
    store(ragPathKey, path);
    if (m_ragPath == path)
        return;
    m_ragPath = path;
    Q_EMIT ragPathChanged();
}

void RagSettings::useRagPathForThisRun(const QString &path)
{
    if (m_ragPath == path)
        return;
    m_ragPath = path;
    Q_EMIT ragPathChanged();
}

void RagSettings::setWorkingDirectory(const QString &path)
{
    store(workingDirectoryKey, path);
    if (m_workingDirectory == path)
        return;
    m_workingDirectory = path;
    Q_EMIT workingDirectoryChanged();
}

void RagSettings::useWorkingDirectoryForThisRun(const QString &path)
{
    if (m_workingDirectory == path)
        return;
    m_workingDirectory = path;
    Q_EMIT workingDirectoryChanged();
}

void RagSettings::setStatusText(const QString &text)
{
    if (m_statusText == text)
        return;
    m_statusText = text;
    Q_EMIT statusTextChanged();
}

void RagSettings::appendStatusLine(const QString &line)
{
    m_statusText.append(line).append(QLatin1Char('\n'));
    Q_EMIT statusAppended(line);
    Q_EMIT statusTextChanged();
}

void RagSettings::setLoginShell(std::shared_ptr<LoginShell> shell)
{
    m_loginShell = std::move(shell);
}

QString RagSettings::besideExecutableFolder() const
{
    return m_besideExecutableFolderSet ? m_besideExecutableFolder : QCoreApplication::applicationDirPath();
}

void RagSettings::setBesideExecutableFolder(const QString &folder)
{
    m_besideExecutableFolder = folder;
    m_besideExecutableFolderSet = true;
}

void RagSettings::setSystemRoot(const QString &root)
{
    m_systemRoot = root;
}

QString notCheckedYetText()
{
    return QStringLiteral("Not checked yet.");
}

QString statusDisplayText(const QString &statusText)
{
    if (statusText.isEmpty())
        return QStringLiteral(" ");
    const QString english = notCheckedYetText();
    if (statusText == english || statusText == translationTable().value(english))
        return translate(english);
    return statusText;
}

} // namespace tovik
