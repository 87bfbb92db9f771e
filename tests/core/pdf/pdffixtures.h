#pragma once

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <optional>

namespace tovik::test {

// PDF files made on the spot for the PDF and recognition tests. Every writer
// returns whether the file was written. Needs a QGuiApplication (fonts).

// A Letter-size PDF with no margins, drawn in points (one device unit per point).
// `painter` is active once the object is made, unless `painter.isActive()` says not.
struct LetterPdf
{
    explicit LetterPdf(const QString &path, const QString &fontFamily = QStringLiteral("DejaVu Sans"),
                       int pixelSize = 14);

    QPdfWriter writer;
    QPainter painter;
};

// A Letter page (612 × 792 points) with one text line per entry, drawn at 14 pt
// from x = 72 with baselines at 100, 124, 148... points from the top.
bool writeTextPdf(const QString &path, const QStringList &lines, const QString &fontFamily = QStringLiteral("DejaVu Sans"));

// Like writeTextPdf, but every line is drawn turned a quarter counter-clockwise,
// running up the page from y = 700 points below the top, the next line 24 points to
// the right: a landscape page as scanners store it, upright once turned by /Rotate 90.
bool writeSidewaysTextPdf(const QString &path, const QStringList &lines);

// The baseline of line `index` of writeTextPdf, in page space (origin lower left).
qreal textPdfBaseline(int index);

// Dark text lines on white, 40 px high letters, 1700 × 2200 pixels (a Letter page
// scanned at 200 dpi).
QImage scannedTextImage(const QStringList &lines);

// A Letter page holding nothing but `image`, stretched over the whole page.
bool writeImagePdf(const QString &path, const QImage &image);

// Copies `input`, setting /Rotate on every page and, when given, its crop box
// (page space).
bool rewritePdf(const QString &input, const QString &output, int rotation, std::optional<QRectF> cropBox = std::nullopt);

// Copies `input` with a media box of the given size at the origin and no crop box.
bool resizePdfPages(const QString &input, const QString &output, QSizeF size);

// Copies a writeTextPdf file, replacing the character map of its CJK font with a
// correct one for `lines`. Qt numbers the glyphs of an embedded font in order of
// first use, but its map leaves out characters beyond the Basic Multilingual Plane
// and gives some ideographs as their radical look-alikes, which real PDF producers
// do not.
bool repairCjkCharacterMap(const QString &input, const QString &output, const QStringList &lines);

// Copies `input` encrypted with AES-256 and a user password.
bool encryptPdf(const QString &input, const QString &output, const QByteArray &userPassword);

} // namespace tovik::test
