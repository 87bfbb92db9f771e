#pragma once

#include <QtGlobal>

namespace tovik {

// A half-open range [start, end) of UTF-16 positions in a text.
struct TextRange
{
    qsizetype start = 0;
    qsizetype end = 0;

    qsizetype length() const { return end - start; }
    friend bool operator==(const TextRange &, const TextRange &) = default;
};

} // namespace tovik
