#include "picturescan/pagerendering.h"

#include <poppler-qt6.h>

#include <QPainter>

namespace tovik {

QImage renderUprightPageRegion(const Poppler::Page &page, double scale, const QRect &pixels)
{
    if (!(scale > 0) || pixels.isEmpty())
        return {};
    const double dotsPerInch = 72.0 * scale;
    const QImage drawn = page.renderToImage(dotsPerInch, dotsPerInch, pixels.x(), pixels.y(), pixels.width(),
                                            pixels.height());
    if (drawn.isNull())
        return {};
    QImage result(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    if (result.isNull())
        return {};
    result.fill(Qt::white);
    QPainter painter(&result);
    painter.drawImage(0, 0, drawn);
    painter.end();
    return result;
}

} // namespace tovik
