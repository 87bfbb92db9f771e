#pragma once

#include "platform/textrecognizer.h"

#include <QByteArray>

namespace tovik {

// TextRecognizer on the Tesseract 5 LSTM engine with the installed `chi_tra` and
// `eng` data. Each thread that recognizes gets its own engine, created on first use
// and kept until the thread ends, so a pool thread pays the start-up cost once.
//
// The installed data holds only the LSTM models, so every request uses them;
// `languageCorrection` switches the engine's dictionaries on or off.
//
// Tesseract's OpenMP threading is turned off for the process when the first engine
// is made: its fine-grained parallel loops run several times slower than one thread
// on a small machine, and whole pages recognized side by side use the cores better.
class TesseractTextRecognizer final : public TextRecognizer
{
public:
    TesseractTextRecognizer() = default;

    std::optional<QList<TextObservation>> recognize(const QImage &image,
                                                    const TextRecognitionRequest &request,
                                                    const std::atomic_bool *cancelled = nullptr) const override;

    // Tesseract's language string for BCP 47 tags: "zh-Hant"/"yue-Hant" (and other
    // Traditional Chinese and Cantonese tags) → chi_tra, "en…" → eng; unknown tags
    // are left out, repeats dropped; "eng" when nothing is left.
    static QByteArray tesseractLanguages(const QStringList &languages);
};

} // namespace tovik
