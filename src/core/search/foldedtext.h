#pragma once

#include "search/foldtable.h"
#include "search/textspan.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace tovik {

// A text folded for search, remembering for every folded unit which characters
// of the original produced it, so that a match in the folded form can be cut out
// of the original. Marks removed by folding belong to the character before them.
class FoldedText final
{
public:
    FoldedText(QStringView text, FoldTable::Mode mode, bool turkic);

    const QString &folded() const { return m_folded; }

    // The first occurrence of an already folded needle at or after the original
    // position `from`, as a range of the original text.
    std::optional<TextSpan> find(QStringView foldedNeedle, qsizetype from = 0) const;
    // The characters of the original text that produced the folded units in
    // `folded` (a non-empty span of folded()).
    TextSpan sourceSpan(TextSpan folded) const;

private:
    QString m_folded;
    QList<qsizetype> m_sourceStart; // per folded unit
    QList<qsizetype> m_sourceEnd;   // per folded unit
    qsizetype m_sourceSize = 0;
    bool m_sameLength = false; // folded unit i comes from original unit i
};

} // namespace tovik
