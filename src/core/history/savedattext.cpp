#include "history/savedattext.h"

#include <QDate>
#include <QTime>

#include <cstdio>

namespace tovik {

namespace {

constexpr qsizetype savedAtLength = 24; // yyyy-MM-ddTHH:mm:ss.zzzZ

// Reads `count` decimal digits at `at`; -1 if any of them is not a digit.
int digitsAt(QByteArrayView text, qsizetype at, qsizetype count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

QByteArray formatSavedAt(const QDateTime &moment)
{
    const QDateTime utc = moment.toUTC();
    const QDate date = utc.date();
    const QTime time = utc.time();
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", date.year(),
                                     date.month(), date.day(), time.hour(), time.minute(), time.second(), time.msec());
    return QByteArray(text, length);
}

QDateTime parseSavedAt(QByteArrayView text)
{
    if (text.size() != savedAtLength || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':'
        || text[16] != ':' || text[19] != '.' || text[23] != 'Z')
        return distantPast();
    const int year = digitsAt(text, 0, 4);
    const int month = digitsAt(text, 5, 2);
    const int day = digitsAt(text, 8, 2);
    const int hour = digitsAt(text, 11, 2);
    const int minute = digitsAt(text, 14, 2);
    const int second = digitsAt(text, 17, 2);
    const int millisecond = digitsAt(text, 20, 3);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0 || millisecond < 0)
        return distantPast();
    const QDate date(year, month, day);
    const QTime time(hour, minute, second, millisecond);
    if (!date.isValid() || !time.isValid())
        return distantPast();
    return QDateTime(date, time, Qt::UTC);
}

QDateTime distantPast()
{
    return QDateTime(QDate(int(QDateTime::YearRange::First) + 1, 1, 1), QTime(0, 0), Qt::UTC);
}

} // namespace tovik
