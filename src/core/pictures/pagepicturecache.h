#pragma once

#include "pictures/pagepicture.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

namespace tovik {

// The pictures of PDF pages, scanned once per file and page and kept while the file
// is unchanged (same size and modification time). For the page view: it asks for a
// background scan when a page is shown and reads the list when its menu opens.
// Pages are counted from 0.
//
// Threads: use the object on its own thread only. Background scans run in the
// global thread pool on copies of their inputs; their results come back to this
// object's thread and are dropped when clear() was called in between.
class PagePictureCache final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PagePictureCache)

public:
    // Least recently used entries go first beyond this many pages.
    static constexpr qsizetype capacity = 256;

    explicit PagePictureCache(QObject *parent = nullptr);
    ~PagePictureCache() override;

    // The pictures of the page, if it was scanned and the file has not changed since.
    std::optional<QList<PagePicture>> cachedPictures(const QString &path, int pageIndex);

    // The cached pictures, or a scan on the calling thread that is then kept.
    QList<PagePicture> pictures(const QString &path, int pageIndex);

    // Starts a background scan unless the page is cached (and unchanged) or already
    // being scanned; picturesReady follows when it is stored.
    void requestPictures(const QString &path, int pageIndex);

    // Forgets every page and drops the results of scans still running.
    void clear();

    // Whether a background scan of the page is running.
    bool isScanning(const QString &path, int pageIndex) const;

Q_SIGNALS:
    void picturesReady(const QString &path, int pageIndex, const QList<PagePicture> &pictures);

private:
    struct FileStamp
    {
        qint64 size = -1;
        QDateTime modified;
        friend bool operator==(const FileStamp &, const FileStamp &) = default;
    };
    struct Entry
    {
        QList<PagePicture> pictures;
        FileStamp stamp;
        quint64 lastUse = 0;
    };
    struct ScanResult
    {
        QList<PagePicture> pictures;
        FileStamp stamp;
    };

    static QString key(const QString &path, int pageIndex);
    static FileStamp stampOf(const QString &path);
    static ScanResult scan(const QString &path, int pageIndex);
    void store(const QString &path, int pageIndex, const ScanResult &result);

    QHash<QString, Entry> m_entries;
    QSet<QString> m_scanning;
    quint64 m_useCounter = 0;
    quint64 m_generation = 0;
};

} // namespace tovik
