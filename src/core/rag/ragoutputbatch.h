#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace tovik {

// Complete lines of a child's output, decoded and cut on the reading thread and
// handed to the GUI thread in one piece: the text that holds them, and where each
// line (or run of lines, see RagLineSplitter::nextRun) lies in it.
struct RagOutputBatch final
{
    struct Item
    {
        qsizetype start = 0;
        qsizetype size = 0;
        bool run = false;
    };

    QString text;
    std::vector<Item> items;
    qint64 bytes = 0;                 // bytes of output read for this batch
    bool ended = false;               // nothing comes after this batch
    std::optional<QString> readError; // the output could not be read on
};

} // namespace tovik
