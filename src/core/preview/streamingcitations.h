#pragma once

#include "preview/citedpage.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tovik {

// The cited pages of an answer that grows at its end, as it does while rag streams
// it: always exactly citedPages() of everything read, but each piece of text is
// searched for markers once, and a new page costs the same however many came before.
//
// A marker starts with "[來源" and holds no "]" before its last character, so the text
// up to the first "[" after the last "]" can never be part of a later marker: that part
// is searched and dropped. Only the rest is kept (usually a part of one line, and
// nothing at all when no marker has begun), and it is searched once a "]" arrives.
class StreamingCitations final
{
public:
    // Reads `more`, the text that follows what was read so far.
    void append(QStringView more);
    // Forgets everything read.
    void clear();

    // The distinct cited pages read so far.
    qsizetype count() const { return m_count; }
    // The cited pages read so far, in the order citedPages gives them.
    const QList<CitedPage> &pages();

    // The cited pages of `answer`. When it starts with the text this was last asked
    // about, only the new end is read; otherwise it starts over. Keeps a share of that
    // text for the comparison: call it a few times a second at most while the caller
    // appends to the string, as the next append then copies the whole text.
    const QList<CitedPage> &pages(const QString &answer);

private:
    struct FilePages
    {
        QList<qint64> order;
        QSet<qint64> seen;
    };

    void add(const QList<CitedPage> &pages);
    void keepFrom(QStringView text, qsizetype from);

    QString m_read;  // what pages(answer) was last asked about, shared
    QString m_tail;  // read, but not searched yet: starts with "[" or is empty
    QStringList m_files;
    QHash<QString, FilePages> m_pagesByFile;
    qsizetype m_count = 0;
    QList<CitedPage> m_flattened;
    bool m_flattenedValid = true;
};

} // namespace tovik
