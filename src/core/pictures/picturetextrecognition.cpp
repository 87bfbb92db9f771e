#include "pictures/picturetextrecognition.h"

#include "preview/pageocrjob.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrent>

namespace tovik {

namespace {
// Ahead of background work in the shared pool: the user is waiting for this one.
constexpr int userInitiatedPriority = 1;
} // namespace

PictureTextRecognition::PictureTextRecognition(std::shared_ptr<TextRecognizer> recognizer, QObject *parent)
    : QObject(parent)
    , m_recognizer(std::move(recognizer))
{
    connect(&m_watcher, &QFutureWatcherBase::finished, this, [this] {
        if (m_running && !m_watcher.isCanceled())
            deliver(m_watcher.result());
    });
    // The shared pool is drained when the application ends; do not make it wait for a
    // recognition nobody will see.
    if (QCoreApplication *application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &PictureTextRecognition::cancel);
}

PictureTextRecognition::~PictureTextRecognition()
{
    cancel();
}

bool PictureTextRecognition::start(const QImage &image)
{
    if (m_started)
        return false;
    m_started = true;
    m_running = true;
    if (image.isNull()) {
        // Answered on a later turn, like a real recognition.
        QMetaObject::invokeMethod(this, [this] {
            if (m_running)
                deliver(RecognizedPageText());
        }, Qt::QueuedConnection);
        return true;
    }
    auto job = std::make_shared<PageOCRJob>(image, TextRecognitionRequest(), m_recognizer);
    m_job = job;
    m_watcher.setFuture(QtConcurrent::task([job] { return job->run().value_or(RecognizedPageText()); })
                            .onThreadPool(*QThreadPool::globalInstance())
                            .withPriority(userInitiatedPriority)
                            .spawn());
    return true;
}

void PictureTextRecognition::cancel()
{
    if (m_job)
        m_job->cancel();
    m_job.reset();
    m_running = false;
}

void PictureTextRecognition::deliver(const RecognizedPageText &text)
{
    m_job.reset();
    m_running = false;
    Q_EMIT finished(text);
}

} // namespace tovik
