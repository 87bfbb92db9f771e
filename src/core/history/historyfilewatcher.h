#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace tovik {

class QuestionHistoryStore;

// Re-reads the history when its file changes on disk, so that a question saved or
// deleted by another instance shows up here too. Watches the file and its folder (a
// file replaced or created anew drops out of the file watch); a burst of changes, as
// one SQLite transaction makes, leads to one reload. This instance's own writes
// reload a list that is already the same, which changes nothing.
class HistoryFileWatcher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryFileWatcher)

public:
    explicit HistoryFileWatcher(QuestionHistoryStore &store, QObject *parent = nullptr);

    static constexpr int debounceMs = 200;

private:
    void watchFile();

    QuestionHistoryStore &m_store;
    QString m_file;
    QFileSystemWatcher m_watcher;
    QTimer m_debounce;
};

} // namespace tovik
