#include "plaintextreader.h"

#include "log.h"
#include "textlayout.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace ragtool {

bool PlainTextReader::read(const QString &path, bool markdown, ExtractedDocument *document, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.size() > maxBytes) {
        *error = QStringLiteral("the file is larger than %1 MB").arg(maxBytes >> 20);
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return false;
    }
    // A byte-order mark names the encoding; otherwise text is taken as UTF-8.
    const auto encoding = QStringConverter::encodingForData(data).value_or(QStringConverter::Utf8);
    QStringDecoder decoder(encoding);
    QString text = decoder.decode(data);
    if (decoder.hasError())
        log::warning(QStringLiteral("the file is not valid UTF-8; unreadable bytes were replaced"));
    if (!text.isEmpty() && text.at(0) == QChar(0xFEFF))
        text.remove(0, 1);
    if (markdown)
        text = stripMarkdown(text);
    document->kind = markdown ? QStringLiteral("markdown") : QStringLiteral("text");
    document->pageCount = 1;
    document->pages = {PageText{1, text}};
    return true;
}

QString PlainTextReader::stripMarkdown(const QString &text)
{
    static const QRegularExpression blockMark(QStringLiteral(R"(^\s{0,3}(#{1,6}\s+|>\s?))"));
    static const QRegularExpression itemMark(QStringLiteral(R"(^\s*([-*+]|\d+[.)])\s+)"));
    static const QRegularExpression fence(QStringLiteral(R"(^\s{0,3}(```|~~~))"));
    static const QRegularExpression rule(QStringLiteral(R"(^\s{0,3}([-*_]\s*){3,}$)"));
    static const QRegularExpression image(QStringLiteral(R"(!\[([^\]]*)\]\([^)]*\))"));
    static const QRegularExpression link(QStringLiteral(R"(\[([^\]]+)\]\([^)]*\))"));
    static const QRegularExpression emphasis(QStringLiteral(R"((\*\*|__|\*|`))"));
    static const QRegularExpression tableRule(QStringLiteral(R"(^\s*\|?(\s*:?-+:?\s*\|)+\s*:?-*:?\s*$)"));

    QStringList out;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (fence.match(line).hasMatch() || rule.match(line).hasMatch() || tableRule.match(line).hasMatch()) {
            out.append(QString());
            continue;
        }
        const bool isItem = itemMark.match(line).hasMatch();
        const bool isBlock = isItem || blockMark.match(line).hasMatch();
        line.remove(itemMark);
        line.remove(blockMark);
        line.replace(image, QStringLiteral("\\1"));
        line.replace(link, QStringLiteral("\\1"));
        line.remove(emphasis);
        if (line.contains(QLatin1Char('|')))
            line.replace(QLatin1Char('|'), QLatin1Char(' '));
        // Headings and list items stand alone: they are not part of the lines around them.
        if (isBlock)
            out.append(QString());
        out.append(isItem ? text::listBullet + line : line);
        if (isBlock)
            out.append(QString());
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace ragtool
