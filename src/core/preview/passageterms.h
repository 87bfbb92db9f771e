#pragma once

#include "search/textspan.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace tovik {

// One term of a text for passage matching, where it stands in the folded text.
struct PassageTerm
{
    QString key;
    TextSpan span;       // of the folded text
    bool common = false; // a function word
    bool spelled = true; // a word that may have been misread by a letter (not a number, not CJK)
    bool ideographic = false; // a character bigram (or a lone character) of Han, kana or Hangul

    friend bool operator==(const PassageTerm &, const PassageTerm &) = default;
};

// Cuts an already folded text into the terms passages are matched on: ICU word
// tokens reduced by PassageWordForms for alphabetic scripts, character bigrams
// over runs of Han, kana and Hangul (a lone character stands for itself), numbers
// however written ("11", "eleven", "十一") and "%" as "percent".
class PassageTerms final
{
public:
    PassageTerms() = delete;

    static QList<PassageTerm> of(QStringView folded);
};

} // namespace tovik
