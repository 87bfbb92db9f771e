#include "tabs/contentrules.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace tovik {

namespace {
bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x85: case 0x2028: case 0x2029:
        return true;
    default:
        return false;
    }
}

bool isTrimmed(QChar c)
{
    return c.isSpace() || isLineBreak(c);
}
} // namespace

QStringView trimmedView(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text.at(begin)))
        ++begin;
    while (end > begin && isTrimmed(text.at(end - 1)))
        --end;
    return text.sliced(begin, end - begin);
}

QString trimmedText(const QString &text)
{
    return trimmedView(text).toString();
}

QString tabTitle(const QString &question)
{
    QString joined;
    joined.reserve(question.size());
    for (QChar c : question) {
        if (!isLineBreak(c))
            joined.append(c);
    }
    joined = trimmedText(joined);
    if (joined.isEmpty())
        return QStringLiteral("tovikRAG");

    // Cut after 8 grapheme clusters so an emoji or a combining mark is never split.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, joined);
    qsizetype cut = joined.size();
    int clusters = 0;
    while (finder.toNextBoundary() != -1) {
        if (++clusters == 8) {
            cut = finder.position();
            break;
        }
    }
    return joined.left(cut) + QStringLiteral("...");
}

bool contentIsDirty(const QString &question, const QString &answer,
                    const QString &savedQuestion, const QString &savedAnswer)
{
    const QStringView q = trimmedView(question);
    const QStringView a = trimmedView(answer);
    if (q.isEmpty() && a.isEmpty())
        return false;
    // Sizes first: while an answer streams this never compares the whole text.
    return q.size() != savedQuestion.size() || a.size() != savedAnswer.size() || q != savedQuestion
        || a != savedAnswer;
}

double SidebarWidthRule::usableStoredWidth(double storedWidth)
{
    return (storedWidth >= 420 && storedWidth <= 900) ? storedWidth : defaultSidebarWidth;
}

SidebarWidthRule SidebarWidthRule::compute(double availableWidth, double storedWidth, bool sidebarShown)
{
    SidebarWidthRule rule;
    rule.minimum = std::clamp(availableWidth - 240, 160.0, 420.0);
    const double usable = usableStoredWidth(storedWidth);
    rule.ideal = std::min(std::max(rule.minimum, usable), 900.0);
    if (sidebarShown && usable + 240 <= availableWidth + 0.5)
        rule.enforced = std::min(std::max(rule.minimum, usable), 900.0);
    return rule;
}

std::optional<double> rememberedDividerWidth(double width, double availableWidth,
                                             std::optional<double> enforcedWidth)
{
    if (width <= 1)
        return std::nullopt;
    if (enforcedWidth && std::abs(width - *enforcedWidth) <= 1)
        return std::nullopt;
    const double room = availableWidth - 240;
    if (room < 160 || room < 419.5)
        return std::nullopt;
    const double rounded = std::round(width);
    if (rounded < 419 || rounded > 901)
        return std::nullopt;
    return std::clamp(rounded, 420.0, 900.0);
}

} // namespace tovik
