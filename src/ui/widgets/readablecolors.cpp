#include "widgets/readablecolors.h"

#include <QApplication>
#include <QEvent>

#include <algorithm>
#include <cmath>

namespace tovik {

namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QColor mixed(const QColor &text, const QColor &background, double weight)
{
    return QColor::fromRgbF(static_cast<float>(background.redF() + (text.redF() - background.redF()) * weight),
                            static_cast<float>(background.greenF() + (text.greenF() - background.greenF()) * weight),
                            static_cast<float>(background.blueF() + (text.blueF() - background.blueF()) * weight));
}

// The placeholder role keeps up with the palette the desktop hands the application.
class SecondaryTextKeeper final : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
            apply();
        return false;
    }

    static void apply()
    {
        QPalette palette = QApplication::palette();
        makeSecondaryTextReadable(palette);
        // Setting the same palette again changes nothing and sends no further event.
        if (palette != QApplication::palette())
            QApplication::setPalette(palette);
    }
};

} // namespace

namespace {

// `text` mixed into `background` at the usual secondary weight, made stronger only as
// far as contrast against both `background` and `also` needs.
QColor fadedText(const QColor &text, const QColor &background, const QColor &also)
{
    const QColor opaqueText = composited(text, background);
    for (double weight = 0.6; weight < 1.0; weight += 0.02) {
        const QColor candidate = mixed(opaqueText, background, weight);
        if (contrastRatio(candidate, background) >= minimumTextContrast
            && contrastRatio(candidate, also) >= minimumTextContrast)
            return candidate;
    }
    return opaqueText;
}

} // namespace

double relativeLuminance(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double contrastRatio(const QColor &first, const QColor &second)
{
    const double a = relativeLuminance(first);
    const double b = relativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor composited(const QColor &top, const QColor &bottom)
{
    return mixed(top, bottom, top.alphaF());
}

QColor secondaryTextColor(const QColor &text, const QColor &background)
{
    return fadedText(text, background, background);
}

QColor secondaryTextColor(const QPalette &palette, QPalette::ColorGroup group)
{
    // Placeholders sit on the base colour, captions on the window colour: one colour for both.
    return fadedText(palette.color(group, QPalette::Text), palette.color(group, QPalette::Base),
                     palette.color(group, QPalette::Window));
}

void makeSecondaryTextReadable(QPalette &palette)
{
    for (const auto group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::PlaceholderText, secondaryTextColor(palette, group));
}

void keepSecondaryTextReadable(QApplication &application)
{
    SecondaryTextKeeper::apply();
    application.installEventFilter(new SecondaryTextKeeper(&application));
}

} // namespace tovik
