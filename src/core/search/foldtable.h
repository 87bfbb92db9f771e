#pragma once

#include <QString>
#include <QStringView>

namespace tovik {

// Per-character folding for search: width (optional), then diacritics and case.
// BMP characters are folded through a table built once from ICU on first use;
// characters outside the BMP go to ICU each time (they are rare in questions).
// Safe to use from any thread.
class FoldTable final
{
public:
    enum Mode { caseAndDiacritics = 0, caseDiacriticsAndWidth = 1 };

    // Appends the folded form of one code point.
    static void appendFolded(QString &out, char32_t codePoint, Mode mode, bool turkic);
    // Folds a whole text (no position map).
    static QString fold(QStringView text, Mode mode, bool turkic);
    // Folds a text whose every unit folds to exactly one unit, so that positions
    // stay the same; false (and `out` unusable) for any other text.
    static bool foldOneToOne(QStringView text, Mode mode, bool turkic, QString &out);
    // Whether folding a text changes nothing but ASCII capitals, each to its small
    // letter; such a text can be searched without keeping its folded copy.
    static bool foldsByLoweringAscii(QStringView text, Mode mode, bool turkic);
    // The ICU folding of one code point, without the table (used to build it).
    static QString foldWithICU(char32_t codePoint, Mode mode);
};

} // namespace tovik
