#include "mainwindow/textsegments.h"

#include <algorithm>

namespace tovik {

namespace {
// How far back from the limit a cut looks for a space.
constexpr qsizetype spaceSearch = 64;
} // namespace

void TextSegments::clear()
{
    m_starts = {0};
    m_size = 0;
}

bool TextSegments::update(QStringView text, qsizetype budget)
{
    qsizetype at = m_starts.back();
    m_starts.pop_back();
    const qsizetype size = text.size();
    const qsizetype stop = budget < 0 ? size : std::min(size, at + budget);
    m_size = size;
    for (;;) {
        m_starts.push_back(at);
        if (at >= stop && at < size) {
            m_size = at;
            return false;
        }
        const qsizetype limit = std::min(size, at + maxLength);
        const qsizetype lineFeed = text.first(limit).indexOf(u'\n', at);
        if (lineFeed >= 0) {
            at = lineFeed + 1;
            continue;
        }
        if (limit == size)
            return true;
        // Too long: cut after a space among the last few characters, else at the limit.
        qsizetype cut = limit;
        for (qsizetype k = limit; k > limit - spaceSearch; --k) {
            if (text[k - 1].isSpace()) {
                cut = k;
                break;
            }
        }
        if (cut == limit && text[cut - 1].isHighSurrogate() && text[cut].isLowSurrogate())
            --cut;
        at = cut;
    }
}

qsizetype TextSegments::end(QStringView text, qsizetype index) const
{
    if (index + 1 >= count())
        return m_size;
    const qsizetype next = start(index + 1);
    return next > 0 && text[next - 1] == u'\n' ? next - 1 : next;
}

qsizetype TextSegments::indexOf(qsizetype position) const
{
    const auto after = std::upper_bound(m_starts.cbegin(), m_starts.cend(), position);
    return std::max<qsizetype>(0, (after - m_starts.cbegin()) - 1);
}

} // namespace tovik
