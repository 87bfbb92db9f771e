#pragma once

#include "ocr/textrecognizer.h"

#include <QSemaphore>

#include <atomic>

namespace tovik::test {

// A recognizer for picture tests: returns the lines it was given, counts its calls,
// and, when gated, holds each call until the test releases it (or it is cancelled).
class FakePictureRecognizer final : public TextRecognizer
{
public:
    explicit FakePictureRecognizer(QList<TextObservation> lines = {}, bool gated = false)
        : m_lines(std::move(lines))
        , m_gated(gated)
    {
    }

    std::optional<QList<TextObservation>> recognize(const QImage &, const TextRecognitionRequest &,
                                                    const std::atomic_bool *cancelled) const override
    {
        ++calls;
        while (m_gated && !gate.tryAcquire(1, 5)) {
            if (cancelled && cancelled->load()) {
                ++cancellations;
                return std::nullopt;
            }
        }
        if (fail)
            return std::nullopt;
        return m_lines;
    }

    mutable std::atomic_int calls = 0;
    mutable std::atomic_int cancellations = 0;
    mutable QSemaphore gate;
    std::atomic_bool fail = false;

private:
    QList<TextObservation> m_lines;
    bool m_gated;
};

// A recognized line whose characters sit side by side, each `charWidth` wide, from
// (left, bottom) in normalized coordinates.
inline TextObservation textLine(const QString &text, double left, double bottom, double charWidth, double height)
{
    TextObservation line{text, QRectF(left, bottom, charWidth * text.size(), height), {}};
    for (qsizetype i = 0; i < text.size(); ++i)
        line.symbols.append({i, 1, QRectF(left + charWidth * i, bottom, charWidth, height)});
    return line;
}

} // namespace tovik::test
