#include "pictures/picturezoom.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace tovik {

namespace {
// Zoom buttons treat values this close to a preset as the preset itself.
constexpr double stepSlack = 0.004;
// A pinch that ends this close to a preset lands on it (a little float slack so that
// exactly 0.008 away counts as within).
constexpr double snapTolerance = 0.008 + 1e-9;

QSizeF atLeastOne(const QSizeF &size)
{
    return QSizeF(qMax(size.width(), 1.0), qMax(size.height(), 1.0));
}
} // namespace

double PictureZoom::clampMagnification(double magnification)
{
    if (!std::isfinite(magnification))
        return 1.0;
    return std::clamp(magnification, minimumMagnification, maximumMagnification);
}

double PictureZoom::value(const PictureScale &scale, double fittedMagnification)
{
    if (const std::optional<int> percent = scale.percentage())
        return *percent / 100.0;
    return fittedMagnification;
}

std::optional<int> PictureZoom::zoomOutTarget(double value)
{
    const double v = value - stepSlack;
    for (auto preset = presets.crbegin(); preset != presets.crend(); ++preset) {
        if (v > *preset / 100.0)
            return *preset;
    }
    return std::nullopt;
}

std::optional<int> PictureZoom::zoomInTarget(double value)
{
    const double v = value + stepSlack;
    for (int preset : presets) {
        if (v < preset / 100.0)
            return preset;
    }
    return std::nullopt;
}

PictureScale PictureZoom::scaleAfterMagnification(double magnification)
{
    for (int preset : presets) {
        if (std::abs(magnification - preset / 100.0) <= snapTolerance)
            return PictureScale::percent(preset);
    }
    return PictureScale::percent(qRound(clampMagnification(magnification) * 100.0));
}

bool PictureZoom::isPreset(int percent)
{
    return std::find(presets.cbegin(), presets.cend(), percent) != presets.cend();
}

QString PictureZoom::percentTitle(int percent)
{
    return QString::number(percent) + QLatin1Char('%');
}

std::optional<double> PictureZoom::fitMagnification(const QSizeF &content, const QSizeF &view)
{
    if (!(view.width() > 1 && view.height() > 1) || !(content.width() > 0 && content.height() > 0))
        return std::nullopt;
    return clampMagnification(qMin(view.width() / content.width(), view.height() / content.height()));
}

double PictureZoom::openingFactor(const QSizeF &image, const QSizeF &available)
{
    const QSizeF picture = atLeastOne(image);
    const double width = qMin(screenShare * available.width(), maximumOpeningWidth);
    const double height = qMin(screenShare * available.height(), maximumOpeningHeight);
    return qMin(qMin(width / picture.width(), height / picture.height()), 1.0);
}

QSizeF PictureZoom::openingContentSize(const QSizeF &image, const QSizeF &available)
{
    const QSizeF picture = atLeastOne(image);
    const double factor = openingFactor(picture, available);
    return QSizeF(qMax(picture.width() * factor, minimumContentWidth),
                  qMax(picture.height() * factor, minimumContentHeight));
}

} // namespace tovik
