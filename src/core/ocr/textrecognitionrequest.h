#pragma once

#include <QString>
#include <QStringList>

namespace tovik {

// How to read an image. The defaults are what the preview and the picture window
// ask for: the accurate recognizer with language correction, Traditional Chinese,
// Cantonese and English, in that order of preference.
struct TextRecognitionRequest
{
    QStringList languages = {QStringLiteral("zh-Hant"), QStringLiteral("yue-Hant"), QStringLiteral("en-US")};
    bool accurate = true;
    bool languageCorrection = true;

    friend bool operator==(const TextRecognitionRequest &, const TextRecognitionRequest &) = default;
};

} // namespace tovik
