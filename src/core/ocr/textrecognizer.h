#pragma once

#include "ocr/textobservation.h"
#include "ocr/textrecognitionrequest.h"

#include <QImage>
#include <QList>

#include <atomic>
#include <memory>
#include <optional>

namespace tovik {

// Reads the text lines of an image.
//
// Threads: recognize() is synchronous and slow (seconds for a dense page); call it
// on a worker thread, never the GUI thread. One recognizer object may be used from
// several threads at once; implementations keep their engines per thread.
class TextRecognizer
{
public:
    virtual ~TextRecognizer() = default;

    // One observation per recognized line, in the recognizer's order; an empty list
    // when the image holds no text. None when recognition fails or is cancelled:
    // `cancelled`, when given, is polled while the work runs.
    virtual std::optional<QList<TextObservation>> recognize(const QImage &image,
                                                            const TextRecognitionRequest &request,
                                                            const std::atomic_bool *cancelled = nullptr) const = 0;

    // What the results depend on besides the image and the request: the engine, its
    // version, its models and settings. Results kept under one identity are never
    // handed out under another. Empty when the recognizer cannot tell; such results
    // are not kept.
    virtual QString identity() const { return {}; }

protected:
    TextRecognizer() = default;
    Q_DISABLE_COPY_MOVE(TextRecognizer)
};

// The system's recognizer (Tesseract), shared by the whole process.
std::shared_ptr<TextRecognizer> systemTextRecognizer();

} // namespace tovik
