// Recognized text for pages without a text layer: asked for when the view is given
// such a page, shared with every other view and the find through the cache.
#include "documents/selectablepdfpageview.h"

#include "system/whenfinished.h"

#include "documents/passthroughlabel.h"
#include "i18n/translate.h"
#include "preview/previewocrcache.h"

namespace tovik {

void SelectablePDFPageView::updateRecognition()
{
    const bool needsRecognition = m_pdfPage && !hasUsableTextLayer();
    if (!needsRecognition) {
        cancelRecognition();
        const bool wasSet = m_recognized || m_recognizedImage || m_ocrSelection || !m_statusEnglish.isEmpty();
        showStatus(QString());
        m_recognized.reset();
        m_recognizedImage.reset();
        m_ocrSelection.reset();
        if (wasSet)
            update();
        return;
    }
    const qint64 image = m_pageImage.cacheKey();
    if (m_recognizedImage == image && (m_recognized || m_recognitionRunning))
        return;

    if (const std::optional<RecognizedPageText> cached = m_cache.cachedText(m_textKey, m_sourcePath)) {
        cancelRecognition();
        m_recognizedImage = image;
        applyRecognized(*cached);
        return;
    }
    cancelRecognition();
    m_recognized.reset();
    m_ocrSelection.reset();
    m_recognizedImage = image;
    if (m_textKey.isEmpty()) {
        showStatus(QStringLiteral("No text recognized on this page."));
        update();
        return;
    }
    showStatus(QStringLiteral("Recognizing text…"));
    update();
    m_recognitionRunning = true;
    const quint64 ticket = m_recognitionTicket;
    const QString key = m_textKey;
    const QString source = m_sourcePath;
    // The continuation is dropped with the view; the cache's recognition goes on
    // and keeps its result for whoever asks next.
    whenFinished(m_cache.text(key, source, m_pageImage), this, [this, ticket, key, source, image](const RecognizedPageText &text) {
        if (ticket != m_recognitionTicket || m_pageImage.cacheKey() != image || m_textKey != key
            || m_sourcePath != source)
            return;
        m_recognitionRunning = false;
        applyRecognized(text);
    });
}

void SelectablePDFPageView::cancelRecognition()
{
    ++m_recognitionTicket;
    m_recognitionRunning = false;
}

void SelectablePDFPageView::applyRecognized(const RecognizedPageText &text)
{
    m_recognized = text;
    ++m_textGeneration;
    if (text.text().trimmed().isEmpty())
        showStatus(QStringLiteral("No text recognized on this page."));
    else
        showStatus(QString());
    updateGeometry();
    update();
    updatePassages();
}

void SelectablePDFPageView::showStatus(const QString &english)
{
    m_statusEnglish = english;
    if (english.isEmpty()) {
        m_statusLabel->hide();
        return;
    }
    m_statusLabel->setText(translate(english));
    placeStatus();
    m_statusLabel->show();
}

void SelectablePDFPageView::placeStatus()
{
    m_statusLabel->setGeometry(QRect(QPoint(8, 8), m_statusLabel->sizeHint()));
}

QString SelectablePDFPageView::statusText() const
{
    return m_statusEnglish.isEmpty() ? QString() : m_statusLabel->text();
}

} // namespace tovik
