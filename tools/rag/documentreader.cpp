#include "documentreader.h"

#include "imagereader.h"
#include "officereader.h"
#include "pdfreader.h"
#include "plaintextreader.h"

#include <QFileInfo>

namespace ragtool {

namespace {

const QStringList textSuffixes = {QStringLiteral("txt"), QStringLiteral("text")};
const QStringList markdownSuffixes = {QStringLiteral("md"), QStringLiteral("markdown")};
const QStringList imageSuffixes = {QStringLiteral("png"),  QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                   QStringLiteral("tif"),  QStringLiteral("tiff"), QStringLiteral("bmp"),
                                   QStringLiteral("gif"),  QStringLiteral("webp"), QStringLiteral("pnm")};

} // namespace

DocumentReader::Format DocumentReader::formatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return Format::pdf;
    if (suffix == QLatin1String("docx"))
        return Format::docx;
    if (suffix == QLatin1String("pptx"))
        return Format::pptx;
    if (textSuffixes.contains(suffix))
        return Format::text;
    if (markdownSuffixes.contains(suffix))
        return Format::markdown;
    if (imageSuffixes.contains(suffix))
        return Format::image;
    return Format::unsupported;
}

QStringList DocumentReader::supportedSuffixes()
{
    return QStringList{QStringLiteral("pdf"), QStringLiteral("docx"), QStringLiteral("pptx")} + textSuffixes
        + markdownSuffixes + imageSuffixes;
}

bool DocumentReader::read(const QString &path, Format format, ExtractedDocument *document, QString *error)
{
    switch (format) {
    case Format::pdf:
        return PdfReader::read(path, document, error);
    case Format::image:
        return ImageReader::read(path, document, error);
    case Format::text:
        return PlainTextReader::read(path, false, document, error);
    case Format::markdown:
        return PlainTextReader::read(path, true, document, error);
    case Format::docx:
        return OfficeReader::readDocx(path, document, error);
    case Format::pptx:
        return OfficeReader::readPptx(path, document, error);
    case Format::unsupported:
        break;
    }
    *error = QStringLiteral("unsupported file type");
    return false;
}

} // namespace ragtool
