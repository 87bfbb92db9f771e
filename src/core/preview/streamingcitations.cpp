#include "preview/streamingcitations.h"

#include "preview/citations.h"

namespace tovik {

void StreamingCitations::Pages::add(const QList<CitedPage> &pages)
{
    for (const CitedPage &cited : pages) {
        auto it = pagesByFile.find(cited.filename);
        if (it == pagesByFile.end()) {
            files.append(cited.filename);
            it = pagesByFile.insert(cited.filename, {});
        }
        if (!it->contains(cited.page))
            it->append(cited.page);
    }
}

QList<CitedPage> StreamingCitations::Pages::flattened() const
{
    QList<CitedPage> result;
    for (const QString &file : files) {
        for (qint64 page : pagesByFile.value(file))
            result.append({file, page});
    }
    return result;
}

const QList<CitedPage> &StreamingCitations::pages(const QString &answer)
{
    const QStringView text(answer);
    if (text.size() < m_settled.size() || !text.startsWith(m_settled))
        clear();

    const QStringView rest = text.sliced(m_settled.size());
    const qsizetype lastClose = rest.lastIndexOf(u']');
    const qsizetype nextOpen = rest.indexOf(u'[', lastClose + 1);
    const qsizetype settling = nextOpen < 0 ? rest.size() : nextOpen;
    if (settling > 0) {
        const QStringView part = rest.first(settling);
        m_settledPages.add(citedPages(part.toString()));
        m_settled.append(part);
    }

    const QStringView tail = rest.sliced(settling);
    if (tail.isEmpty()) {
        m_result = m_settledPages.flattened();
    } else {
        Pages all = m_settledPages;
        all.add(citedPages(tail.toString()));
        m_result = all.flattened();
    }
    return m_result;
}

void StreamingCitations::clear()
{
    m_settled.clear();
    m_settledPages = {};
    m_result.clear();
}

} // namespace tovik
