#include "ocr/cachingtextrecognizer.h"

#include "ocr/recognizedtextstore.h"

#include <QCryptographicHash>

namespace tovik {

CachingTextRecognizer::CachingTextRecognizer(std::shared_ptr<TextRecognizer> inner,
                                             std::shared_ptr<RecognizedTextStore> store)
    : m_inner(std::move(inner))
    , m_store(std::move(store))
    , m_identity(m_inner->identity())
{
}

QByteArray CachingTextRecognizer::keyFor(const QImage &image, const TextRecognitionRequest &request,
                                         const QString &identity)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const auto field = [&](const QString &text) {
        hash.addData(text.toUtf8());
        hash.addData(QByteArrayView("\x1f", 1));
    };
    field(identity);
    field(request.languages.join(QLatin1Char(',')));
    field(QStringLiteral("%1 %2").arg(int(request.accurate)).arg(int(request.languageCorrection)));
    field(QStringLiteral("%1x%2 %3").arg(image.width()).arg(image.height()).arg(int(image.format())));
    // The pixels only: the padding at the end of each row holds anything.
    const qsizetype rowBytes = (qsizetype(image.width()) * image.depth() + 7) / 8;
    for (int y = 0; y < image.height(); ++y)
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(image.constScanLine(y)), rowBytes));
    if (image.format() == QImage::Format_Indexed8 || image.colorCount() > 0) {
        for (const QRgb colour : image.colorTable())
            hash.addData(QByteArrayView(reinterpret_cast<const char *>(&colour), sizeof colour));
    }
    return hash.result().toHex();
}

std::optional<QList<TextObservation>> CachingTextRecognizer::recognize(const QImage &image,
                                                                       const TextRecognitionRequest &request,
                                                                       const std::atomic_bool *cancelled) const
{
    if (m_identity.isEmpty() || image.isNull())
        return m_inner->recognize(image, request, cancelled);
    const QByteArray key = keyFor(image, request, m_identity);
    if (std::optional<QList<TextObservation>> kept = m_store->find(key))
        return kept;
    std::optional<QList<TextObservation>> lines = m_inner->recognize(image, request, cancelled);
    // A cancelled or failed read is no answer to keep.
    if (lines && !(cancelled && cancelled->load()))
        m_store->store(key, *lines);
    return lines;
}

} // namespace tovik
