#pragma once

#include "ocr/textrecognizer.h"
#include "preview/recognizedpagetext.h"

#include <QFuture>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <memory>
#include <optional>

namespace tovik {

class PageOCRJob;

// Recognized text of preview pages for the whole process. A page is named by its
// text key (see textKey()) and the file it was rendered from: the text is stored
// under both (see recognitionKey()), so another file of the same name, or a file
// replaced on disk, is recognized afresh instead of showing the old one's text.
// Each page is recognized at most once: a finished result, empty ones included, is
// kept for the life of the process and never retried, and callers asking while a
// page is being recognized share that one recognition.
//
// Threads: use on the GUI thread only. Recognition itself runs on the cache's own
// worker threads, which stay alive so that their engines stay loaded.
class PreviewOCRCache final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewOCRCache)

public:
    // The process-wide cache on the system recognizer, made on first use.
    static PreviewOCRCache &shared();

    // A separate cache, for tests and tools.
    explicit PreviewOCRCache(std::shared_ptr<TextRecognizer> recognizer, QObject *parent = nullptr);
    // Cancels running recognitions and waits for their workers.
    ~PreviewOCRCache() override;

    // Filename, U+001E, page number in decimal: names the page in the sidebar.
    static QString textKey(const QString &filename, qint64 page);
    // What a page's text is stored under: its text key, then the source file's
    // canonical path, size and modification time, joined by U+001E. Reads the
    // file's metadata; a missing file gives just its path.
    static QString recognitionKey(const QString &textKey, const QString &sourcePath);

    // The stored text of page `textKey` of the file at `sourcePath`.
    std::optional<RecognizedPageText> cachedText(const QString &textKey, const QString &sourcePath) const;
    bool isRecognizing(const QString &textKey, const QString &sourcePath) const;

    // The page's recognized text: at once when stored, else when the running or a
    // newly started recognition of `image` finishes. A null image, a failed
    // recognition or an error give (and store) an empty text. Every call gets a
    // future of its own, finished on the GUI thread after previewOCRReady; attach
    // work with .then(context, ...).
    QFuture<RecognizedPageText> text(const QString &textKey, const QString &sourcePath, const QImage &image);

Q_SIGNALS:
    // A page's recognized text has just been stored; views compare the text key with
    // their own and read the text with their source path.
    void previewOCRReady(const QString &textKey);

private:
    void store(const QString &key, const RecognizedPageText &text);
    // Cancels running recognitions and ends the worker threads, freeing their engines.
    void endThreads();

    struct Running;

    std::shared_ptr<TextRecognizer> m_recognizer;
    QHash<QString, RecognizedPageText> m_texts;
    QHash<QString, std::shared_ptr<Running>> m_running;
    QThreadPool m_pool;
};

} // namespace tovik
