#pragma once

#include "ocr/textobservation.h"
#include "ocr/textrecognitionrequest.h"
#include "ocr/textrecognizer.h"
#include "preview/recognizedpagetext.h"

#include <QImage>

#include <atomic>
#include <memory>
#include <optional>

namespace tovik {

// One recognition of one image, used once and dropped.
//
// Threads: construct anywhere; run() on a worker thread (it blocks for seconds);
// cancel() from any thread while run() is in progress. The job touches nothing but
// its own image, request and recognizer.
class PageOCRJob final
{
public:
    explicit PageOCRJob(QImage image,
                        TextRecognitionRequest request = {},
                        std::shared_ptr<TextRecognizer> recognizer = systemTextRecognizer());

    // The glyphs of the image in reading order; none when recognition fails or the
    // job was cancelled.
    std::optional<RecognizedPageText> run() const;

    void cancel() { m_cancelled = true; }
    bool isCancelled() const { return m_cancelled; }

    // Turns recognizer lines into glyphs: visual order, then one glyph per
    // user-perceived character with line ids counting up from 0.
    static RecognizedPageText assemble(const QList<TextObservation> &observations);

    // Lines sorted top to bottom (tops within 0.002 count as level, then left to
    // right), grouped into visual lines by vertical overlap, each group ordered
    // left to right, groups in the order they were started.
    static QList<TextObservation> visualOrder(QList<TextObservation> observations);

    // The glyphs of one line: each character gets the recognizer's box for it; if
    // no character has one the line box is split evenly between them, otherwise a
    // character without a box gets the whole line box.
    static QList<RecognizedPageText::Glyph> glyphsOf(const TextObservation &observation, qint64 lineID);

private:
    Q_DISABLE_COPY_MOVE(PageOCRJob)

    QImage m_image;
    TextRecognitionRequest m_request;
    std::shared_ptr<TextRecognizer> m_recognizer;
    std::atomic_bool m_cancelled = false;
};

} // namespace tovik
