#include "preview/previewrow.h"

#include "preview/previewocrcache.h"

namespace tovik {

PreviewRow PreviewRow::headerRow(const CitedDocument &document)
{
    PreviewRow row;
    row.kind = Kind::header;
    row.document = document;
    row.filename = document.filename;
    return row;
}

PreviewRow PreviewRow::pageRow(const QString &filename, const RenderedPage &page)
{
    PreviewRow row;
    row.kind = Kind::page;
    row.filename = filename;
    row.page = page;
    return row;
}

PreviewRow PreviewRow::loadingRow()
{
    return {};
}

QString PreviewRow::pageIdentity(const QString &filename, qint64 page)
{
    return QStringLiteral("preview-page:") + filename + QChar(0x1E) + QString::number(page);
}

QString PreviewRow::identity() const
{
    switch (kind) {
    case Kind::header:
        return QStringLiteral("preview-file:") + filename;
    case Kind::page:
        return pageIdentity(filename, page.page);
    case Kind::loading:
        break;
    }
    return QStringLiteral("preview-loading");
}

QString PreviewRow::textKey() const
{
    return kind == Kind::page ? PreviewOCRCache::textKey(filename, page.page) : QString();
}

} // namespace tovik
