#include "pdffixtures.h"

#include <QFile>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <functional>

namespace tovik::test {

namespace {

constexpr qreal pageHeight = 792;

bool transformPdf(const QString &input, const QString &output, const std::function<void(QPDF &, QPDFWriter &)> &change)
{
    try {
        // QPDFWriter keeps the file name pointer it is given, so the encoded names must
        // outlive the writer, not just the constructor call.
        const QByteArray inputName = QFile::encodeName(input);
        const QByteArray outputName = QFile::encodeName(output);
        QPDF pdf;
        pdf.processFile(inputName.constData());
        QPDFWriter writer(pdf, outputName.constData());
        change(pdf, writer);
        writer.write();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

QPDFObjectHandle rectangle(const QRectF &box)
{
    return QPDFObjectHandle::newArray(QPDFObjectHandle::Rectangle(box.left(), box.top(), box.right(), box.bottom()));
}

} // namespace

LetterPdf::LetterPdf(const QString &path, const QString &fontFamily, int pixelSize)
    : writer(path)
{
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    if (!painter.begin(&writer))
        return;
    QFont font(fontFamily);
    font.setPixelSize(pixelSize);
    painter.setFont(font);
}

bool writeTextPdf(const QString &path, const QStringList &lines, const QString &fontFamily)
{
    LetterPdf pdf(path, fontFamily, 14);
    QPainter &painter = pdf.painter;
    if (!painter.isActive())
        return false;
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QPointF(72, pageHeight - textPdfBaseline(i)), lines[i]);
    return painter.end();
}

bool writeSidewaysTextPdf(const QString &path, const QStringList &lines)
{
    LetterPdf pdf(path, QStringLiteral("DejaVu Sans"), 14);
    QPainter &painter = pdf.painter;
    if (!painter.isActive())
        return false;
    for (int i = 0; i < lines.size(); ++i) {
        painter.save();
        painter.translate(100 + 24 * i, 700);
        painter.rotate(-90);
        painter.drawText(QPointF(0, 0), lines[i]);
        painter.restore();
    }
    return painter.end();
}

qreal textPdfBaseline(int index)
{
    return pageHeight - (100 + 24 * index);
}

QImage scannedTextImage(const QStringList &lines)
{
    QImage image(1700, 2200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("Noto Sans CJK TC"));
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QPointF(150, 250 + 90 * i), lines[i]);
    painter.end();
    return image;
}

bool writeImagePdf(const QString &path, const QImage &image)
{
    LetterPdf pdf(path);
    QPainter &painter = pdf.painter;
    if (!painter.isActive())
        return false;
    painter.drawImage(QRectF(0, 0, 612, pageHeight), image);
    return painter.end();
}

bool rewritePdf(const QString &input, const QString &output, int rotation, std::optional<QRectF> cropBox)
{
    return transformPdf(input, output, [&](QPDF &pdf, QPDFWriter &) {
        for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            QPDFObjectHandle object = page.getObjectHandle();
            object.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotation));
            if (cropBox)
                object.replaceKey("/CropBox", rectangle(*cropBox));
        }
    });
}

bool resizePdfPages(const QString &input, const QString &output, QSizeF size)
{
    return transformPdf(input, output, [&](QPDF &pdf, QPDFWriter &) {
        for (QPDFPageObjectHelper &page : QPDFPageDocumentHelper(pdf).getAllPages()) {
            QPDFObjectHandle object = page.getObjectHandle();
            object.replaceKey("/MediaBox", rectangle(QRectF(QPointF(0, 0), size)));
            object.removeKey("/CropBox");
        }
    });
}

bool repairCjkCharacterMap(const QString &input, const QString &output, const QStringList &lines)
{
    QList<uint> order;
    for (const QString &line : lines) {
        for (uint c : line.toUcs4()) {
            if (!order.contains(c))
                order.append(c);
        }
    }
    QByteArray map = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                     "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    map += QByteArray::number(order.size()) + " beginbfchar\n";
    for (qsizetype i = 0; i < order.size(); ++i) {
        const QString unit = QString::fromUcs4(reinterpret_cast<const char32_t *>(&order[i]), 1);
        QByteArray hex;
        for (QChar c : unit)
            hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
        map += '<' + QByteArray::number(i + 1, 16).rightJustified(4, '0').toUpper() + "> <" + hex + ">\n";
    }
    map += "endbfchar\nendcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";

    bool replaced = false;
    const bool written = transformPdf(input, output, [&](QPDF &pdf, QPDFWriter &) {
        for (QPDFObjectHandle object : pdf.getAllObjects()) {
            if (!object.isDictionary() || !object.hasKey("/ToUnicode") || !object.hasKey("/DescendantFonts"))
                continue;
            const std::string name = object.getKey("/DescendantFonts").getArrayItem(0).getKey("/BaseFont").unparse();
            if (name.find("CJK") == std::string::npos)
                continue;
            object.getKey("/ToUnicode").replaceStreamData(map.toStdString(), QPDFObjectHandle::newNull(),
                                                          QPDFObjectHandle::newNull());
            replaced = true;
        }
    });
    return written && replaced;
}

bool encryptPdf(const QString &input, const QString &output, const QByteArray &userPassword)
{
    return transformPdf(input, output, [&](QPDF &, QPDFWriter &writer) {
        writer.setR6EncryptionParameters(userPassword.constData(), "owner-secret", true, true, true, true, true, true,
                                         qpdf_r3p_full, true);
    });
}

} // namespace tovik::test
