#include "history/historyfilewatcher.h"

#include "history/questionhistorystore.h"
#include "system/logcategories.h"

#include <QDir>
#include <QFileInfo>

namespace tovik {

HistoryFileWatcher::HistoryFileWatcher(QuestionHistoryStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_file(store.databasePath())
{
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(debounceMs);
    connect(&m_debounce, &QTimer::timeout, this, [this] {
        qCDebug(lcHistory) << "the history file changed on disk; reading it again";
        m_store.reload();
    });
    if (m_file.isEmpty())
        return;
    // The store makes the folder on first use anyway; made now, it can be watched
    // before this instance has touched the history.
    const QString folder = QFileInfo(m_file).absolutePath();
    QDir().mkpath(folder);
    m_watcher.addPath(folder);
    watchFile();
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { m_debounce.start(); });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchFile();
        m_debounce.start();
    });
}

void HistoryFileWatcher::watchFile()
{
    if (!m_watcher.files().contains(m_file) && QFileInfo::exists(m_file))
        m_watcher.addPath(m_file);
}

} // namespace tovik
