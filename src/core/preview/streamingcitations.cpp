#include "preview/streamingcitations.h"

#include "preview/citations.h"

namespace tovik {

void StreamingCitations::append(QStringView more)
{
    // Nothing open before and nothing opening here: no marker to read or to keep. Most
    // text is read once, for this one character.
    if (more.isEmpty() || (m_tail.isEmpty() && !more.contains(u'[')))
        return;
    // Read in place while nothing is kept; kept text and new text are read together.
    QStringView text = more;
    if (!m_tail.isEmpty()) {
        m_tail.append(more);
        text = m_tail;
    }
    qsizetype settling = 0;
    // Looked for forwards first: that search is the fast one, and most text has no "]".
    if (more.contains(u']')) {
        const qsizetype close = text.size() - more.size() + more.lastIndexOf(u']');
        const qsizetype nextOpen = text.indexOf(u'[', close + 1);
        settling = nextOpen < 0 ? text.size() : nextOpen;
        add(citedPages(text.first(settling)));
    }
    keepFrom(text, settling);
}

// Keeps what is still unread from `from` on, without what belongs to no marker: the
// text before the first "[", and a "[" that is not followed by 來源.
void StreamingCitations::keepFrom(QStringView text, qsizetype from)
{
    static const QString opener = QStringLiteral("[來源");
    qsizetype start = from;
    for (;;) {
        start = text.indexOf(u'[', start);
        if (start < 0 || text.size() - start < opener.size() || text.sliced(start).startsWith(opener))
            break;
        ++start;
    }
    if (start < 0) {
        m_tail.clear();
    } else if (text.data() == m_tail.constData()) {
        m_tail.remove(0, start);
    } else {
        m_tail = text.sliced(start).toString();
    }
}

void StreamingCitations::add(const QList<CitedPage> &pages)
{
    for (const CitedPage &cited : pages) {
        auto it = m_pagesByFile.find(cited.filename);
        if (it == m_pagesByFile.end()) {
            m_files.append(cited.filename);
            it = m_pagesByFile.insert(cited.filename, {});
        }
        if (it->seen.contains(cited.page))
            continue;
        it->seen.insert(cited.page);
        it->order.append(cited.page);
        ++m_count;
        m_flattenedValid = false;
    }
}

const QList<CitedPage> &StreamingCitations::pages()
{
    if (!m_flattenedValid) {
        m_flattened.clear();
        m_flattened.reserve(m_count);
        for (const QString &file : std::as_const(m_files)) {
            for (qint64 page : std::as_const(m_pagesByFile[file].order))
                m_flattened.append({file, page});
        }
        m_flattenedValid = true;
    }
    return m_flattened;
}

const QList<CitedPage> &StreamingCitations::pages(const QString &answer)
{
    // The same shared text is known without comparing: nobody can have changed a
    // string while it is shared.
    if (answer.constData() == m_read.constData() && answer.size() == m_read.size())
        return pages();
    const QStringView text(answer);
    if (text.size() < m_read.size() || !text.startsWith(m_read))
        clear();
    append(text.sliced(m_read.size()));
    m_read = answer;
    return pages();
}

void StreamingCitations::clear()
{
    m_read.clear();
    m_tail.clear();
    m_files.clear();
    m_pagesByFile.clear();
    m_count = 0;
    m_flattened.clear();
    m_flattenedValid = true;
}

} // namespace tovik
