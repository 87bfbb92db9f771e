#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSettings;

namespace tovik {

class LoginShell;

// Where rag is and where to run it: one per process, shared by every tab and the
// settings page, used on the GUI thread only. `ragPath` and `workingDirectory` are
// kept as typed and written to the settings store on every assignment.
class RagSettings final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString ragPath READ ragPath WRITE setRagPath NOTIFY ragPathChanged)
    Q_PROPERTY(QString workingDirectory READ workingDirectory WRITE setWorkingDirectory NOTIFY workingDirectoryChanged)
    Q_PROPERTY(QString statusText READ statusText WRITE setStatusText NOTIFY statusTextChanged)
    Q_PROPERTY(QString storeError READ storeError NOTIFY storeErrorChanged)
    Q_DISABLE_COPY_MOVE(RagSettings)

public:
    explicit RagSettings(QObject *parent = nullptr);
    ~RagSettings() override;

    QString ragPath() const { return m_ragPath; }
    void setRagPath(const QString &path);
    // A rag for this run only (the --rag launch option), like useWorkingDirectoryForThisRun.
    void useRagPathForThisRun(const QString &path);

    QString workingDirectory() const { return m_workingDirectory; }
    void setWorkingDirectory(const QString &path);
    // A working directory for this run only (the --working-directory launch option): the
    // stored setting is left as the user saved it. A later assignment is stored as usual.
    void useWorkingDirectoryForThisRun(const QString &path);

    // Why the last assignment of a path could not be written to the settings file
    // (translated); empty when it was. The settings page shows it.
    const QString &storeError() const { return m_storeError; }

    // The English "Not checked yet." until a status check writes the tool's output.
    // Shown through statusDisplayText().
    const QString &statusText() const { return m_statusText; }
    void setStatusText(const QString &text);
    // Appends `line` and a line feed in place (amortized constant time).
    void appendStatusLine(const QString &line);

    // The login shell asked when rag is found nowhere else. Replaceable for tests.
    std::shared_ptr<LoginShell> loginShell() const { return m_loginShell; }
    void setLoginShell(std::shared_ptr<LoginShell> shell);

    // The folder whose "rag" is tried after the well-known locations; by default the
    // folder of the running executable.
    QString besideExecutableFolder() const;
    void setBesideExecutableFolder(const QString &folder);

    // Put before the fixed system locations (/usr/bin, /opt/homebrew, ...) when
    // searching; empty except in tests, which point it at a scratch folder.
    QString systemRoot() const { return m_systemRoot; }
    void setSystemRoot(const QString &root);

Q_SIGNALS:
    void ragPathChanged();
    void workingDirectoryChanged();
    void statusTextChanged();
    void storeErrorChanged();
    // The text grew by `line` and a line feed; views may append instead of re-reading.
    void statusAppended(const QString &line);

private:
    void store(const QString &key, const QString &value);

    std::unique_ptr<QSettings> m_defaults;
    QString m_ragPath;
    QString m_workingDirectory;
    QString m_statusText;
    QString m_storeError;
    std::shared_ptr<LoginShell> m_loginShell;
    QString m_besideExecutableFolder;
    bool m_besideExecutableFolderSet = false;
    QString m_systemRoot;
};

// The English text statusText starts with.
QString notCheckedYetText();

// What the status box shows: a space for an empty text, "Not checked yet." in the
// current language for that text in either language, any other text unchanged.
QString statusDisplayText(const QString &statusText);

} // namespace tovik
