#include "pdf/pdfpagegeometry.h"

namespace tovik {

int PdfPageGeometry::normalizedRotation(int degrees)
{
    if (degrees % 90 != 0)
        return 0;
    const int reduced = degrees % 360;
    return reduced < 0 ? reduced + 360 : reduced;
}

QSizeF PdfPageGeometry::displayedSize() const
{
    const QSizeF size = cropBox.size();
    return (rotation == 90 || rotation == 270) ? size.transposed() : size;
}

QTransform PdfPageGeometry::cropBoxTransform() const
{
    const qreal x0 = cropBox.left();
    const qreal y0 = cropBox.top(); // QRectF's top is the smaller y, the box's bottom edge here
    const qreal w = cropBox.width();
    const qreal h = cropBox.height();
    // QTransform(m11, m12, m21, m22, dx, dy) maps (x, y) to
    // (m11·x + m21·y + dx, m12·x + m22·y + dy).
    switch (rotation) {
    case 90: // the page's left edge comes to the top
        return QTransform(0, -1, 1, 0, -y0, w + x0);
    case 180:
        return QTransform(-1, 0, 0, -1, w + x0, h + y0);
    case 270: // the page's left edge comes to the bottom
        return QTransform(0, 1, -1, 0, h + y0, -x0);
    default:
        return QTransform::fromTranslate(-x0, -y0);
    }
}

} // namespace tovik
