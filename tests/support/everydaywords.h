#pragma once

#include <QRandomGenerator>
#include <QStringList>

namespace tovik::test {

// `count` made-up lowercase words of 3 to 9 letters, then a few Chinese ones: answers
// drawn from them repeat little within one answer but much across many, as a model's
// answers do.
QStringList everydayWords(QRandomGenerator &random, int count);

} // namespace tovik::test
