#pragma once

#include "ocr/textrecognizer.h"

#include <memory>

namespace tovik {

class RecognizedTextStore;

// A recognizer that keeps what another one reads in a RecognizedTextStore, keyed by
// the image's pixels, the request and the other recognizer's identity: an image read
// once, in any tab, the picture window or an earlier run, is answered from the store
// at once. A recognizer without an identity is passed through untouched.
class CachingTextRecognizer final : public TextRecognizer
{
public:
    CachingTextRecognizer(std::shared_ptr<TextRecognizer> inner, std::shared_ptr<RecognizedTextStore> store);

    std::optional<QList<TextObservation>> recognize(const QImage &image, const TextRecognitionRequest &request,
                                                    const std::atomic_bool *cancelled = nullptr) const override;
    QString identity() const override { return m_identity; }

    // The store key of `image` read with `request` by a recognizer named `identity`:
    // a SHA-256 of all three, in hexadecimal.
    static QByteArray keyFor(const QImage &image, const TextRecognitionRequest &request, const QString &identity);

private:
    std::shared_ptr<TextRecognizer> m_inner;
    std::shared_ptr<RecognizedTextStore> m_store;
    QString m_identity;
};

} // namespace tovik
