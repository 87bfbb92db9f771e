#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

namespace tovik {

// The `saved_at` column holds "yyyy-MM-ddTHH:mm:ss.zzzZ" in UTC, for example
// "2024-03-05T09:07:02.481Z". Every value has the same width and zone, so ordering
// the text orders by time.

// The stored text of a moment (converted to UTC, cut to milliseconds).
QByteArray formatSavedAt(const QDateTime &moment);

// Reads a stored text back. Only the exact form above is accepted (no other zone,
// no missing or extra digits, no impossible date or time); anything else, including
// an absent text, gives distantPast(), so the record can still be listed.
QDateTime parseSavedAt(QByteArrayView text);

// The date given to records whose time of saving is unknown: the first instant of
// the earliest year that QDateTime holds whole, -292275055-01-01T00:00:00.000Z.
// (QDateTime's raw minimum, in May of the year before, turns invalid once shifted
// into a time zone west of UTC; this one stays valid in every zone.)
QDateTime distantPast();

} // namespace tovik
