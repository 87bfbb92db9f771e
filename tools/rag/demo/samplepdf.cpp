#include "samplepdf.h"

#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>

namespace {

constexpr double pageWidth = 595.0; // A4 in points
constexpr double pageHeight = 842.0;
constexpr double margin = 56.0;

QFont pageFont(double points, bool bold = false)
{
    // Latin text in DejaVu: Qt's PDF output of the CJK font's Latin digits carries no
    // text mapping, so they would be lost to text extraction.
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK TC")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Lays out title and paragraphs in rect; returns the y below the last paragraph.
double drawText(QPainter &painter, const QRectF &rect, const SamplePage &page, double scale)
{
    double y = rect.top();
    if (!page.title.isEmpty()) {
        painter.setFont(pageFont(18 * scale, true));
        const QRectF box = painter.boundingRect(QRectF(rect.left(), y, rect.width(), rect.height()),
                                                Qt::TextWordWrap, page.title);
        painter.drawText(box, Qt::TextWordWrap, page.title);
        y = box.bottom() + 14 * scale;
    }
    painter.setFont(pageFont(11 * scale));
    for (const QString &paragraph : page.paragraphs) {
        const QRectF box =
            painter.boundingRect(QRectF(rect.left(), y, rect.width(), rect.bottom() - y), Qt::TextWordWrap, paragraph);
        painter.drawText(box, Qt::TextWordWrap, paragraph);
        y = box.bottom() + 9 * scale;
    }
    return y;
}

} // namespace

QImage SamplePdf::scan(const SamplePage &page, int dpi)
{
    const double scale = dpi / 72.0;
    QImage image(int(pageWidth * scale), int(pageHeight * scale), QImage::Format_RGB32);
    image.fill(QColor(246, 245, 241));
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.translate(image.width() / 2.0, image.height() / 2.0);
        painter.rotate(0.4);
        painter.translate(-image.width() / 2.0, -image.height() / 2.0);
        painter.setPen(QColor(35, 35, 40));
        const double m = margin * scale;
        drawText(painter, QRectF(m, m, image.width() - 2 * m, image.height() - 2 * m), page, scale);
    }
    QRandomGenerator noise(20240108);
    for (int i = 0; i < image.width() * image.height() / 900; ++i) {
        const int x = int(noise.bounded(image.width()));
        const int y = int(noise.bounded(image.height()));
        const int shade = 150 + int(noise.bounded(80));
        image.setPixel(x, y, qRgb(shade, shade, shade));
    }
    return image.convertToFormat(QImage::Format_Grayscale8);
}

bool SamplePdf::write(const QString &path, const QList<SamplePage> &pages)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72); // painter units are points
    writer.setCreator(QStringLiteral("tovikRAG sample documents"));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0 && !writer.newPage())
            return false;
        const SamplePage &page = pages[i];
        if (page.scanned) {
            painter.drawImage(QRectF(0, 0, pageWidth, pageHeight), scan(page));
            continue;
        }
        painter.setPen(Qt::black);
        const QRectF body(margin, margin, pageWidth - 2 * margin, pageHeight - 2 * margin);
        double y = drawText(painter, body, page, 1.0);
        if (!page.picture.isNull()) {
            const double width = body.width();
            const double height = width * page.picture.height() / page.picture.width();
            painter.drawImage(QRectF(margin, y + 6, width, height), page.picture);
            y += height + 16;
            painter.setFont(pageFont(9.5));
            painter.drawText(QRectF(margin, y, width, pageHeight - margin - y), Qt::TextWordWrap, page.caption);
        }
    }
    return painter.end();
}
