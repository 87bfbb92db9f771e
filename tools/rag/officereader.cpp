#include "officereader.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <zip.h>

#include <memory>

namespace ragtool {

namespace {

struct ZipCloser
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ZipCloser>;

Archive openArchive(const QString &path, QString *error)
{
    int code = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        zip_error_t zipError;
        zip_error_init_with_code(&zipError, code);
        *error = QStringLiteral("not a readable Office file (%1)").arg(QString::fromUtf8(zip_error_strerror(&zipError)));
        zip_error_fini(&zipError);
    }
    return Archive(archive);
}

bool hasPart(zip_t *archive, const QString &name)
{
    return zip_name_locate(archive, name.toUtf8().constData(), 0) >= 0;
}

bool readPart(zip_t *archive, const QString &name, QByteArray *data, QString *error)
{
    const zip_int64_t index = zip_name_locate(archive, name.toUtf8().constData(), 0);
    if (index < 0) {
        *error = QStringLiteral("%1 is missing").arg(name);
        return false;
    }
    zip_file_t *file = zip_fopen_index(archive, zip_uint64_t(index), 0);
    if (!file) {
        *error = QStringLiteral("%1 can't be read: %2").arg(name, QString::fromUtf8(zip_strerror(archive)));
        return false;
    }
    data->clear();
    char buffer[65536];
    zip_int64_t got = 0;
    while ((got = zip_fread(file, buffer, sizeof buffer)) > 0) {
        // The size in the directory can lie; count what is really inflated.
        if (data->size() + got > OfficeReader::maxPartBytes) {
            zip_fclose(file);
            *error = QStringLiteral("%1 is larger than %2 MB").arg(name).arg(OfficeReader::maxPartBytes >> 20);
            return false;
        }
        data->append(buffer, qsizetype(got));
    }
    const bool ok = got == 0;
    if (!ok)
        *error = QStringLiteral("%1 is damaged: %2").arg(name, QString::fromUtf8(zip_file_strerror(file)));
    zip_fclose(file);
    return ok;
}

// Paragraph texts of an Office XML part: paragraphs are elements named paragraphName,
// text runs elements named "t"; tabs and breaks become white space.
bool paragraphText(const QByteArray &xml, QStringView paragraphName, QString *text, QString *error)
{
    QXmlStreamReader reader(xml);
    QString paragraph;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = reader.name();
            if (name == u"t")
                paragraph += reader.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (name == u"tab")
                paragraph += QLatin1Char('\t');
            else if (name == u"br" || name == u"cr")
                paragraph += QLatin1Char('\n');
        } else if (token == QXmlStreamReader::EndElement && reader.name() == paragraphName) {
            *text += paragraph.trimmed() + QLatin1String("\n\n");
            paragraph.clear();
        }
    }
    if (reader.hasError()) {
        *error = QStringLiteral("its XML is damaged (%1)").arg(reader.errorString());
        return false;
    }
    *text += paragraph;
    return true;
}

// Slide parts in presentation order: presentation.xml lists slide ids whose relations
// name the parts. Falls back to the numbers in the part names.
QStringList slideParts(zip_t *archive)
{
    QByteArray presentation;
    QByteArray relations;
    QString ignored;
    QStringList ordered;
    if (readPart(archive, QStringLiteral("ppt/presentation.xml"), &presentation, &ignored)
        && readPart(archive, QStringLiteral("ppt/_rels/presentation.xml.rels"), &relations, &ignored)) {
        QMap<QString, QString> targets;
        QXmlStreamReader rels(relations);
        while (!rels.atEnd()) {
            if (rels.readNext() == QXmlStreamReader::StartElement && rels.name() == u"Relationship")
                targets.insert(rels.attributes().value(QLatin1String("Id")).toString(),
                               rels.attributes().value(QLatin1String("Target")).toString());
        }
        QXmlStreamReader pres(presentation);
        while (!pres.atEnd()) {
            if (pres.readNext() == QXmlStreamReader::StartElement && pres.name() == u"sldId") {
                for (const QXmlStreamAttribute &attribute : pres.attributes()) {
                    if (attribute.name() == u"id" && attribute.prefix() == u"r") {
                        QString target = targets.value(attribute.value().toString());
                        target = target.startsWith(QLatin1Char('/')) ? target.mid(1)
                                                                       : QStringLiteral("ppt/") + target;
                        if (hasPart(archive, target))
                            ordered.append(target);
                    }
                }
            }
        }
    }
    if (!ordered.isEmpty())
        return ordered;

    static const QRegularExpression slideName(QStringLiteral(R"(^ppt/slides/slide(\d+)\.xml$)"));
    QMap<int, QString> numbered;
    const zip_int64_t entries = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < entries; ++i) {
        const QString name = QString::fromUtf8(zip_get_name(archive, zip_uint64_t(i), 0));
        const QRegularExpressionMatch match = slideName.match(name);
        if (match.hasMatch())
            numbered.insert(match.captured(1).toInt(), name);
    }
    return numbered.values();
}

} // namespace

bool OfficeReader::readDocx(const QString &path, ExtractedDocument *document, QString *error)
{
    const Archive archive = openArchive(path, error);
    if (!archive)
        return false;
    QByteArray xml;
    QString text;
    if (!readPart(archive.get(), QStringLiteral("word/document.xml"), &xml, error)
        || !paragraphText(xml, u"p", &text, error))
        return false;
    document->kind = QStringLiteral("docx");
    document->pageCount = 1;
    document->pages = {PageText{1, text}};
    return true;
}

bool OfficeReader::readPptx(const QString &path, ExtractedDocument *document, QString *error)
{
    const Archive archive = openArchive(path, error);
    if (!archive)
        return false;
    const QStringList parts = slideParts(archive.get());
    if (parts.isEmpty()) {
        *error = QStringLiteral("the presentation has no slides");
        return false;
    }
    document->kind = QStringLiteral("pptx");
    document->pageCount = int(parts.size());
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QByteArray xml;
        QString text;
        if (!readPart(archive.get(), parts[i], &xml, error) || !paragraphText(xml, u"p", &text, error)) {
            *error = QStringLiteral("slide %1: %2").arg(i + 1).arg(*error);
            return false;
        }
        document->pages.append(PageText{int(i + 1), text});
    }
    return true;
}

} // namespace ragtool
