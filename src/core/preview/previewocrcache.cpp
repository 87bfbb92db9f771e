#include "preview/previewocrcache.h"

#include "preview/pageocrjob.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPromise>
#include <QThread>

#include <utility>
#include <vector>

namespace tovik {

struct PreviewOCRCache::Running
{
    QString textKey; // for the notification
    // One per caller: a future takes a single continuation, so callers sharing one
    // recognition (a page view and the find) each need a future of their own.
    std::vector<QPromise<RecognizedPageText>> waiters;
    std::shared_ptr<PageOCRJob> job; // null when there was nothing to recognize

    QFuture<RecognizedPageText> addWaiter()
    {
        QPromise<RecognizedPageText> &promise = waiters.emplace_back();
        promise.start();
        return promise.future();
    }

    void finish(const RecognizedPageText &text)
    {
        // Taken out first: a continuation may run right here and ask again.
        std::vector<QPromise<RecognizedPageText>> promises = std::move(waiters);
        waiters.clear();
        for (QPromise<RecognizedPageText> &promise : promises) {
            promise.addResult(text);
            promise.finish();
        }
    }
};

PreviewOCRCache &PreviewOCRCache::shared()
{
    // Its workers' engines must be freed while the application object still exists,
    // not after the process's static objects (Tesseract's among them) are gone.
    static PreviewOCRCache cache(systemTextRecognizer());
    static const bool endsWithTheApplication = [] {
        qAddPostRoutine([] { cache.endThreads(); });
        return true;
    }();
    Q_UNUSED(endsWithTheApplication);
    return cache;
}

PreviewOCRCache::PreviewOCRCache(std::shared_ptr<TextRecognizer> recognizer, QObject *parent)
    : QObject(parent)
    , m_recognizer(std::move(recognizer))
{
    // One page per core: each engine runs single-threaded.
    m_pool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
    m_pool.setExpiryTimeout(-1);
}

PreviewOCRCache::~PreviewOCRCache()
{
    // Workers post back to this object; they must be done before it goes.
    endThreads();
    const QHash<QString, std::shared_ptr<Running>> running = std::exchange(m_running, {});
    for (const std::shared_ptr<Running> &each : running)
        each->finish(RecognizedPageText());
}

void PreviewOCRCache::endThreads()
{
    for (const std::shared_ptr<Running> &running : std::as_const(m_running)) {
        if (running->job)
            running->job->cancel();
    }
    m_pool.waitForDone();
}

QString PreviewOCRCache::textKey(const QString &filename, qint64 page)
{
    return filename + QChar(0x1E) + QString::number(page);
}

QString PreviewOCRCache::recognitionKey(const QString &textKey, const QString &sourcePath)
{
    const QChar separator(0x1E);
    if (sourcePath.isEmpty())
        return textKey + separator;
    const QFileInfo info(sourcePath);
    if (!info.exists())
        return textKey + separator + QDir::cleanPath(info.absoluteFilePath());
    // Size and time tell a file replaced under the same name from the one read before.
    return textKey + separator + info.canonicalFilePath() + separator + QString::number(info.size()) + separator
        + QString::number(info.lastModified().toMSecsSinceEpoch());
}

std::optional<RecognizedPageText> PreviewOCRCache::cachedText(const QString &textKey, const QString &sourcePath) const
{
    const auto found = m_texts.constFind(recognitionKey(textKey, sourcePath));
    if (found == m_texts.cend())
        return std::nullopt;
    return *found;
}

bool PreviewOCRCache::isRecognizing(const QString &textKey, const QString &sourcePath) const
{
    return m_running.contains(recognitionKey(textKey, sourcePath));
}

QFuture<RecognizedPageText> PreviewOCRCache::text(const QString &textKey, const QString &sourcePath,
                                                  const QImage &image)
{
    const QString key = recognitionKey(textKey, sourcePath);
    if (const auto found = m_texts.constFind(key); found != m_texts.cend())
        return QtFuture::makeReadyFuture(*found);
    if (const auto running = m_running.constFind(key); running != m_running.cend())
        return (*running)->addWaiter();

    auto running = std::make_shared<Running>();
    running->textKey = textKey;
    QFuture<RecognizedPageText> future = running->addWaiter();
    m_running.insert(key, running);

    if (image.isNull()) {
        // Still answered on a later turn, like every other recognition.
        QMetaObject::invokeMethod(this, [this, key] { store(key, RecognizedPageText()); }, Qt::QueuedConnection);
        return future;
    }

    running->job = std::make_shared<PageOCRJob>(image, TextRecognitionRequest(), m_recognizer);
    m_pool.start([this, key, job = running->job] {
        const RecognizedPageText result = job->run().value_or(RecognizedPageText());
        QMetaObject::invokeMethod(this, [this, key, result] { store(key, result); }, Qt::QueuedConnection);
    });
    return future;
}

void PreviewOCRCache::store(const QString &key, const RecognizedPageText &text)
{
    const std::shared_ptr<Running> running = m_running.take(key);
    m_texts.insert(key, text);
    if (!running)
        return;
    Q_EMIT previewOCRReady(running->textKey);
    running->finish(text);
}

} // namespace tovik
