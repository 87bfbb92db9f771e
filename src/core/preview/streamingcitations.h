#pragma once

#include "preview/citedpage.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace tovik {

// The cited pages of an answer that grows at its end, as it does while rag streams
// it: always exactly citedPages(answer), but when the answer still starts with the
// text read before, only the new text is searched for markers.
//
// A marker holds no "]" before its last character and starts with "[", so the text
// up to the first "[" after the last "]" can never be part of a later marker: that
// part is settled and its pages kept; only the rest (usually a part of one line) is
// read again on the next call. The settled text is kept as an own copy, not as a
// share of the caller's string, so the caller can keep appending in place.
class StreamingCitations final
{
public:
    const QList<CitedPage> &pages(const QString &answer);
    void clear();

private:
    // Pages grouped per file in order of first citation, as citedPages gives them.
    struct Pages
    {
        QStringList files;
        QHash<QString, QList<qint64>> pagesByFile;

        void add(const QList<CitedPage> &pages);
        QList<CitedPage> flattened() const;
    };

    QString m_settled;
    Pages m_settledPages;
    QList<CitedPage> m_result;
};

} // namespace tovik
