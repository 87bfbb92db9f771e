#pragma once

#include <QHashFunctions>
#include <QString>

namespace tovik {

// One page cited in an answer: the filename as the marker wrote it (trimmed) and a
// 1-based page number.
struct CitedPage
{
    QString filename;
    qint64 page = 0;

    // Filename, a line feed, and the page number in decimal.
    QString id() const { return filename + QLatin1Char('\n') + QString::number(page); }

    friend bool operator==(const CitedPage &, const CitedPage &) = default;
};

inline size_t qHash(const CitedPage &page, size_t seed = 0) noexcept
{
    return qHashMulti(seed, page.filename, page.page);
}

} // namespace tovik
