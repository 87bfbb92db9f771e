#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace tovik {

// English text → Traditional Chinese text, built once on first use.
const QHash<QString, QString> &translationTable();

// The English keys in the table's order.
QStringList translationKeys();

} // namespace tovik
