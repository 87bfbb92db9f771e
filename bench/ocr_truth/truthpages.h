#pragma once

#include <QImage>
#include <QList>
#include <QString>

namespace bench {

// A page drawn from a known text: the image a scanner would give and the text on it
// in reading order (the truth a recognizer is scored against).
struct TruthPage
{
    QString name;
    QImage image;
    QString truth;
};

// English, Traditional Chinese, mixed, a table and a two-column page, each at 150 and
// 300 dpi, clean and as a poor scan (turned by under a degree, speckled).
QList<TruthPage> truthPages();

// Character error rate: edit distance between the texts without white space, over
// the length of the truth without white space.
double characterErrorRate(const QString &recognized, const QString &truth);

} // namespace bench
