#include "search/foldedtext.h"

#include <algorithm>

namespace tovik {

FoldedText::FoldedText(QStringView text, FoldTable::Mode mode, bool turkic)
    : m_sourceSize(text.size())
{
    // Usually every unit folds to one unit and positions need no map.
    if (FoldTable::foldOneToOne(text, mode, turkic, m_folded)) {
        m_sameLength = true;
        return;
    }
    m_folded.clear();
    m_folded.reserve(text.size());
    m_sourceStart.reserve(text.size());
    m_sourceEnd.reserve(text.size());
    QString piece;
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text.at(i).unicode();
        qsizetype length = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i).unicode(), text.at(i + 1).unicode());
            length = 2;
        }
        piece.clear();
        FoldTable::appendFolded(piece, c, mode, turkic);
        if (piece.isEmpty()) {
            if (!m_sourceEnd.isEmpty())
                m_sourceEnd.last() = i + length;
        } else {
            for (QChar unit : std::as_const(piece)) {
                m_folded.append(unit);
                m_sourceStart.append(i);
                m_sourceEnd.append(i + length);
            }
        }
        i += length;
    }
}

std::optional<TextSpan> FoldedText::find(QStringView foldedNeedle, qsizetype from) const
{
    if (foldedNeedle.isEmpty() || from > m_sourceSize)
        return std::nullopt;
    if (m_sameLength) {
        const qsizetype at = m_folded.indexOf(foldedNeedle, from);
        if (at < 0)
            return std::nullopt;
        return TextSpan{at, at + foldedNeedle.size()};
    }
    // First folded unit that comes from the original position `from` or later.
    const auto first = std::lower_bound(m_sourceStart.cbegin(), m_sourceStart.cend(), from);
    const qsizetype foldedFrom = first - m_sourceStart.cbegin();
    const qsizetype at = m_folded.indexOf(foldedNeedle, foldedFrom);
    if (at < 0)
        return std::nullopt;
    return TextSpan{m_sourceStart.at(at), m_sourceEnd.at(at + foldedNeedle.size() - 1)};
}

TextSpan FoldedText::sourceSpan(TextSpan folded) const
{
    if (m_sameLength)
        return folded;
    if (folded.length() <= 0 || folded.start < 0 || folded.end > m_folded.size())
        return {};
    return TextSpan{m_sourceStart.at(folded.start), m_sourceEnd.at(folded.end - 1)};
}

} // namespace tovik
