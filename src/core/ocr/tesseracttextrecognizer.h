#pragma once

#include "ocr/textrecognizer.h"

#include <QByteArray>
#include <QThreadPool>

namespace tovik {

// TextRecognizer on the Tesseract 5 LSTM engine with the installed `chi_tra` and
// `eng` data. Each thread that recognizes gets its own engine, created on first use
// and kept until the thread ends, so a pool thread pays the start-up cost once.
//
// The installed data holds only the LSTM models, so every request uses them;
// `languageCorrection` switches the engine's dictionaries on or off.
//
// Tesseract's OpenMP threading is turned off on every thread that recognizes: its
// fine-grained parallel loops run several times slower than one thread on a small
// machine, and whole pages recognized side by side use the cores better.
class TesseractTextRecognizer final : public TextRecognizer
{
public:
    // A tall image is cut into up to `bands` horizontal bands at blank rows and
    // the bands are read side by side, one engine per thread; 0 means one band per
    // core (at most 4), 1 reads every image whole.
    explicit TesseractTextRecognizer(int bands = 0);
    ~TesseractTextRecognizer() override;

    // Waits for the band readers and ends their threads, which frees their engines.
    // Later recognitions start new threads.
    void endThreads();

    std::optional<QList<TextObservation>> recognize(const QImage &image,
                                                    const TextRecognitionRequest &request,
                                                    const std::atomic_bool *cancelled = nullptr) const override;

    // The Tesseract version, the band count and the installed language data (name,
    // size and time of each file), so that kept results go stale with any of them.
    QString identity() const override;

    // Tesseract's language string for BCP 47 tags: "zh-Hant"/"yue-Hant" (and other
    // Traditional Chinese and Cantonese tags) → chi_tra, "en…" → eng; unknown tags
    // are left out, repeats dropped; "eng" when nothing is left.
    static QByteArray tesseractLanguages(const QStringList &languages);

    // Rows at which a greyscale image can be cut into `bands` bands without cutting
    // through ink: for each k/bands of the height, the middle of the nearest run of
    // at least 4 blank rows within half a band of it. Fewer cuts where there is no
    // such run; none for images under 600 rows.
    static QList<int> bandCuts(const QImage &grey, int bands);

private:
    int m_bands;
    QString m_identity;
    // Reads the bands after the first; the calling thread reads the first itself.
    mutable QThreadPool m_pool;
};

} // namespace tovik
