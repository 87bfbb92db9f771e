#pragma once

#include "ocr/textrecognizer.h"
#include "preview/recognizedpagetext.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>

#include <memory>

namespace tovik {

class PageOCRJob;

// Recognizes the text of one picture, once. The job runs in the global thread pool
// on its own copy of the image; the result comes back on this object's thread as
// `finished`. A failed recognition and an image without pixels finish with an empty
// text. Cancelling (or destroying the object) drops the result and asks the
// recognizer to stop.
//
// Threads: use on the GUI thread only.
class PictureTextRecognition final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureTextRecognition)

public:
    explicit PictureTextRecognition(std::shared_ptr<TextRecognizer> recognizer = systemTextRecognizer(),
                                    QObject *parent = nullptr);
    ~PictureTextRecognition() override;

    // Starts recognizing `image` the first time it is called; later calls do nothing
    // and return false.
    bool start(const QImage &image);
    void cancel();

    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void finished(const tovik::RecognizedPageText &text);

private:
    void deliver(const RecognizedPageText &text);

    std::shared_ptr<TextRecognizer> m_recognizer;
    std::shared_ptr<PageOCRJob> m_job;
    QFutureWatcher<RecognizedPageText> m_watcher;
    bool m_started = false;
    bool m_running = false;
};

} // namespace tovik
