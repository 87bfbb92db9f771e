#include "pictures/picturestatuslabel.h"

#include <QAccessible>
#include <QPalette>

namespace tovik {

PictureStatusLabel::PictureStatusLabel(QWidget *parent)
    : QLabel(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setAlignment(Qt::AlignCenter);
    QFont small = font();
    // A step below the body text, but still readable with small desktop fonts.
    if (small.pointSizeF() > 0)
        small.setPointSizeF(qMax(8.0, small.pointSizeF() * 11.0 / 13.0));
    setFont(small);
    QPalette colours = palette();
    QColor background = palette().color(QPalette::Window);
    background.setAlphaF(0.92F);
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::WindowText, palette().color(QPalette::PlaceholderText));
    setPalette(colours);
    setAutoFillBackground(true);
    hide();
}

void PictureStatusLabel::showText(const std::optional<QString> &text)
{
    if (!text) {
        hide();
        return;
    }
    setText(*text);
    place();
    show();
    raise();
}

void PictureStatusLabel::place()
{
    const QSize fitting = sizeHint();
    setGeometry(10, 10, fitting.width() + 12, fitting.height() + 4);
}

} // namespace tovik
