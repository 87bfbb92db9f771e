#pragma once

#include "extracteddocument.h"

namespace ragtool {

// Plain text and Markdown files: one page. Markdown loses its markup (heading marks,
// emphasis, link targets) and every heading or list item is a paragraph; list items
// start with text::listBullet.
class PlainTextReader final
{
public:
    static bool read(const QString &path, bool markdown, ExtractedDocument *document, QString *error);

    static constexpr qint64 maxBytes = 256LL * 1024 * 1024;

    static QString stripMarkdown(const QString &text);
};

} // namespace ragtool
