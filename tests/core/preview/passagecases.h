#pragma once

#include "pdf/textrange.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tovik::test {

// One labelled case of tests/data/passages: a claim, the page it cites, and the
// passage of that page that supports it (none when the page does not).
struct PassageCase
{
    QString kind;
    QString page;
    QString claim;
    QString pageText;
    std::optional<TextRange> expected;
};

// Reads cases.json and the page texts it names from `folder`; empty on any fault.
QList<PassageCase> loadPassageCases(const QString &folder);

// A returned passage hits when it covers at least half of the expected one.
bool isPassageHit(TextRange expected, TextRange returned);

// How a matcher did over the labelled set.
struct PassageSetScore
{
    int supported = 0;
    int unsupported = 0;
    int returned = 0;       // passages returned, over all cases
    int hits = 0;
    int noneOnUnsupported = 0;
    double lengthRatio = 0; // mean returned length over expected length, over hits
    QStringList failures;   // one line per miss or wrong passage

    double precision() const { return returned ? double(hits) / returned : 1.0; }
    double recall() const { return supported ? double(hits) / supported : 1.0; }
    double noneRate() const { return unsupported ? double(noneOnUnsupported) / unsupported : 1.0; }
};

PassageSetScore scorePassageSet(const QList<PassageCase> &cases);

} // namespace tovik::test
