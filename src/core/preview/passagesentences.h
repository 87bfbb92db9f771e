#pragma once

#include "search/textspan.h"

#include <QList>
#include <QStringView>

namespace tovik {

// Cuts a page's text into sentences for passage matching: at sentence-ending
// punctuation, at blank lines, and after short lines such as headings. A line
// feed inside a paragraph (a scan's line ends) does not end a sentence. The
// sentences cover the text without gaps, in order; white space belongs to
// the sentence before it.
class PassageSentences final
{
public:
    PassageSentences() = delete;

    static QList<TextSpan> of(QStringView text);
};

} // namespace tovik
