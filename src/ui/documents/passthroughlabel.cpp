#include "documents/passthroughlabel.h"

#include <QApplication>

namespace tovik {

PassThroughLabel::PassThroughLabel(QWidget *parent)
    : QLabel(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 11.0 / 13.0);
    setFont(small);
    QPalette colors = palette();
    QColor background = colors.color(QPalette::Window);
    background.setAlphaF(0.92);
    colors.setColor(QPalette::Window, background);
    colors.setColor(QPalette::WindowText, colors.color(QPalette::PlaceholderText));
    setPalette(colors);
    setAccessibleName(QString());
}

QSize PassThroughLabel::sizeHint() const
{
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    return {text.width() + 12, text.height() + 4};
}

} // namespace tovik
