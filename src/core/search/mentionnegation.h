#pragma once

#include <QString>
#include <QStringView>

namespace tovik {

// Whether a text mentions a phrase only in negated ways ("報告並無提及陳大文",
// "Smith was never mentioned"): every occurrence has a negation marker right
// before it (up to 24 characters) or a negation word right after it (up to 20).
class MentionNegation final
{
public:
    MentionNegation() = delete;

    // Occurrences are found ignoring case and diacritics without locale; the words
    // around them are compared folded in the current locale. A text without any
    // occurrence is not negated.
    static bool isWhollyNegated(const QString &text, const QString &phrase);

    // The same for a text whose folded form (case and diacritics, current locale,
    // not a Turkic one) keeps every position, with the phrase already folded.
    static bool isWhollyNegatedFolded(QStringView text, QStringView foldedText, QStringView foldedPhrase);
};

} // namespace tovik
