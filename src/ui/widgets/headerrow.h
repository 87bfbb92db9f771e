#pragma once

class QHBoxLayout;
class QWidget;

namespace tovik {

// A section's title row: the title, a busy indicator centred beside it, a status text,
// and the rest of the row empty.
QHBoxLayout *makeHeaderRow(QWidget *title, QWidget *busy, QWidget *status);

} // namespace tovik
