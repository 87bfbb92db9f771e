#include "widgets/standardbox.h"

#include <QPainter>
#include <QPainterPath>

namespace tovik {

StandardBox::StandardBox(QWidget *parent)
    : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

void StandardBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::Mid);
    fill.setAlphaF(0.35);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 8, 8);
    painter.fillPath(path, fill);
}

} // namespace tovik
