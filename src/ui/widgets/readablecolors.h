#pragma once

#include <QColor>
#include <QPalette>

class QApplication;

namespace tovik {

// Text colours that stay readable on light and dark palettes, measured the WCAG way.

// Relative luminance of an opaque colour (0 black … 1 white).
double relativeLuminance(const QColor &colour);
// WCAG contrast ratio of two opaque colours, from 1 (same) to 21 (black on white).
double contrastRatio(const QColor &first, const QColor &second);
// `top` painted over `bottom` with its own alpha, as an opaque colour.
QColor composited(const QColor &top, const QColor &bottom);

// The smallest contrast the interface allows for small secondary text.
inline constexpr double minimumTextContrast = 4.5;

// Secondary text (captions, placeholders, stamps): `text` faded towards `background`
// as far as it can go while keeping minimumTextContrast against it.
QColor secondaryTextColor(const QColor &text, const QColor &background);
// The palette's secondary text: readable on both its base and its window colour.
QColor secondaryTextColor(const QPalette &palette, QPalette::ColorGroup group = QPalette::Active);

// Sets the placeholder text role of every colour group to the readable secondary text.
void makeSecondaryTextReadable(QPalette &palette);
// Keeps the application palette's placeholder text readable, now and whenever the
// desktop changes the palette (a switch to a dark theme).
void keepSecondaryTextReadable(QApplication &application);

} // namespace tovik
