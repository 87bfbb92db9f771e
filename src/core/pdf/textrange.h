#pragma once

#include <QtGlobal>

namespace tovik {

// A run of UTF-16 units in a text: where it starts and how many units it covers.
// Page text selections and search matches are both expressed this way.
struct TextRange
{
    qsizetype location = 0;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    bool isEmpty() const { return length <= 0; }

    friend bool operator==(const TextRange &, const TextRange &) = default;
};

} // namespace tovik
