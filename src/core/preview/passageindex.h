#pragma once

#include "preview/passagematch.h"

#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

namespace tovik {

// Finds, on one page, the passage that best supports a claim of an answer. Built
// once from the page's text (a text layer, or the recognized lines of a scan) and
// then queried from any thread: it is an immutable value and takes no locks.
//
// Words are compared folded (case, width, diacritics) and reduced to simple keys,
// Chinese, Japanese and Korean by character bigrams; a claim's words weigh by how
// rare they are on the page, and a word a scan misread by one letter still counts
// in part. The best stretch of about the claim's length wins, widened to the
// sentences it lies in.
class PassageIndex final
{
public:
    PassageIndex() = default;
    explicit PassageIndex(const QString &pageText);

    // The span of the page text that best supports `claim`, or none when nothing
    // covers enough of it. Only the end of a very long claim is read.
    std::optional<PassageMatch> bestPassage(QStringView claim) const;

    // How much of a claim's weight a passage must cover to be returned. Bigrams
    // ask for less: one character said differently loses two of them, where it
    // loses one word.
    static constexpr double threshold = 0.45;
    static constexpr double ideographicThreshold = 0.3;

private:
    struct Data;
    std::shared_ptr<const Data> m_data;
};

} // namespace tovik
