#include "widgets/headerrow.h"

#include <QHBoxLayout>

namespace tovik {

QHBoxLayout *makeHeaderRow(QWidget *title, QWidget *busy, QWidget *status)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(title);
    row->addWidget(busy, 0, Qt::AlignVCenter);
    row->addWidget(status);
    row->addStretch(1);
    return row;
}

} // namespace tovik
