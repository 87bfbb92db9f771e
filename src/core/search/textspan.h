#pragma once

#include <QtGlobal>

namespace tovik {

// A half-open span [start, end) of UTF-16 positions in a text. (Page selections and
// find matches use TextRange, which counts a location and a length instead.)
struct TextSpan
{
    qsizetype start = 0;
    qsizetype end = 0;

    qsizetype length() const { return end - start; }
    friend bool operator==(const TextSpan &, const TextSpan &) = default;
};

} // namespace tovik
