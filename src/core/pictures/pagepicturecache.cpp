#include "pictures/pagepicturecache.h"

#include "picturescan/pagepicturedocument.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent>

#include <algorithm>

namespace tovik {

PagePictureCache::PagePictureCache(QObject *parent) : QObject(parent) {}

PagePictureCache::~PagePictureCache() = default;

QString PagePictureCache::key(const QString &path, int pageIndex)
{
    return path + QChar(0x1E) + QString::number(pageIndex);
}

PagePictureCache::FileStamp PagePictureCache::stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified()};
}

PagePictureCache::ScanResult PagePictureCache::scan(const QString &path, int pageIndex)
{
    // Stamp first: if the file changes during the scan, the entry is already stale.
    ScanResult result{{}, stampOf(path)};
    if (std::unique_ptr<PagePictureDocument> document = PagePictureDocument::open(path))
        result.pictures = document->pictures(pageIndex);
    return result;
}

std::optional<QList<PagePicture>> PagePictureCache::cachedPictures(const QString &path, int pageIndex)
{
    auto found = m_entries.find(key(path, pageIndex));
    if (found == m_entries.end())
        return std::nullopt;
    if (!(found->stamp == stampOf(path))) {
        m_entries.erase(found);
        return std::nullopt;
    }
    found->lastUse = ++m_useCounter;
    return found->pictures;
}

QList<PagePicture> PagePictureCache::pictures(const QString &path, int pageIndex)
{
    if (std::optional<QList<PagePicture>> cached = cachedPictures(path, pageIndex))
        return *cached;
    const ScanResult result = scan(path, pageIndex);
    store(path, pageIndex, result);
    return result.pictures;
}

void PagePictureCache::requestPictures(const QString &path, int pageIndex)
{
    const QString entryKey = key(path, pageIndex);
    if (m_scanning.contains(entryKey) || cachedPictures(path, pageIndex))
        return;
    m_scanning.insert(entryKey);
    const quint64 generation = m_generation;
    auto *watcher = new QFutureWatcher<ScanResult>(this);
    connect(watcher, &QFutureWatcher<ScanResult>::finished, this, [this, watcher, path, pageIndex, generation] {
        watcher->deleteLater();
        if (generation != m_generation)
            return;
        m_scanning.remove(key(path, pageIndex));
        const ScanResult result = watcher->result();
        store(path, pageIndex, result);
        Q_EMIT picturesReady(path, pageIndex, result.pictures);
    });
    watcher->setFuture(QtConcurrent::run(&PagePictureCache::scan, path, pageIndex));
}

void PagePictureCache::clear()
{
    ++m_generation;
    m_entries.clear();
    m_scanning.clear();
}

bool PagePictureCache::isScanning(const QString &path, int pageIndex) const
{
    return m_scanning.contains(key(path, pageIndex));
}

void PagePictureCache::store(const QString &path, int pageIndex, const ScanResult &result)
{
    m_entries.insert(key(path, pageIndex), {result.pictures, result.stamp, ++m_useCounter});
    while (m_entries.size() > capacity) {
        auto oldest = std::min_element(m_entries.begin(), m_entries.end(),
                                       [](const Entry &a, const Entry &b) { return a.lastUse < b.lastUse; });
        m_entries.erase(oldest);
    }
}

} // namespace tovik
