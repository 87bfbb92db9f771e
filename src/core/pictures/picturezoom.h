#pragma once

#include "pictures/picturescale.h"

#include <QSizeF>
#include <QString>

#include <array>
#include <optional>

namespace tovik {

// The zoom arithmetic of the picture window: presets, the Zoom In / Zoom Out steps,
// snapping a pinch to a preset, fitting, and the size a window opens at. Pure
// functions, no widgets. Magnification 1 shows one image pixel per point.
class PictureZoom final
{
public:
    static constexpr double minimumMagnification = 0.1;
    static constexpr double maximumMagnification = 8.0;
    static constexpr std::array<int, 5> presets{25, 50, 75, 100, 200};

    // Smallest window content, and the share of the screen and the caps a window
    // opens within.
    static constexpr double minimumContentWidth = 280;
    static constexpr double minimumContentHeight = 200;
    static constexpr double screenShare = 0.72;
    static constexpr double maximumOpeningWidth = 1100;
    static constexpr double maximumOpeningHeight = 860;
    // Assumed when there is no screen to ask.
    static constexpr double fallbackScreenWidth = 1280;
    static constexpr double fallbackScreenHeight = 800;

    static double clampMagnification(double magnification);

    // The magnification a scale stands for: the last fitted one for "fit".
    static double value(const PictureScale &scale, double fittedMagnification);

    // The preset Zoom Out / Zoom In goes to from `value`, if any. A value a hair
    // away from a preset counts as that preset, so 1.002 zooms out to 75 %.
    static std::optional<int> zoomOutTarget(double value);
    static std::optional<int> zoomInTarget(double value);
    static bool canZoomOut(double value) { return zoomOutTarget(value).has_value(); }
    static bool canZoomIn(double value) { return zoomInTarget(value).has_value(); }

    // Where a pinch or wheel zoom settles: a preset when within 0.008 of it, else the
    // rounded percentage. Never "fit".
    static PictureScale scaleAfterMagnification(double magnification);

    static bool isPreset(int percent);
    // The pop-up title of a percentage: "130%".
    static QString percentTitle(int percent);

    // The magnification that shows all of `content` in `view`, within the limits.
    // None while the view is not larger than 1 × 1 or the content is empty.
    static std::optional<double> fitMagnification(const QSizeF &content, const QSizeF &view);

    // The factor a picture opens at on a screen whose available area is `available`:
    // 0.72 of the screen but at most 1100 × 860, never enlarged. Image sides below 1
    // count as 1.
    static double openingFactor(const QSizeF &image, const QSizeF &available);
    // The window content size for that factor, at least 280 × 200.
    static QSizeF openingContentSize(const QSizeF &image, const QSizeF &available);
};

} // namespace tovik
