#include "picturescan/picturepagebox.h"

namespace tovik {

int PicturePageBox::normalizedRotation(long long degrees)
{
    if (degrees % 90 != 0)
        return 0;
    return int(((degrees % 360) + 360) % 360);
}

QSizeF PicturePageBox::uprightSize() const
{
    if (rotation == 90 || rotation == 270)
        return cropBox.size().transposed();
    return cropBox.size();
}

QTransform PicturePageBox::cropBoxTransform() const
{
    // With u, v measured from the crop box's lower-left corner, a clockwise quarter
    // turn sends (u, v) to (v, w − u), where w is the crop box's width.
    const double w = cropBox.width();
    const double h = cropBox.height();
    const QTransform toOrigin = QTransform::fromTranslate(-cropBox.x(), -cropBox.y());
    switch (rotation) {
    case 90:
        return toOrigin * QTransform(0, -1, 1, 0, 0, w);
    case 180:
        return toOrigin * QTransform(-1, 0, 0, -1, w, h);
    case 270:
        return toOrigin * QTransform(0, 1, -1, 0, h, 0);
    default:
        return toOrigin;
    }
}

} // namespace tovik
