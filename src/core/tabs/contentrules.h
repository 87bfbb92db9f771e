#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace tovik {

// The tab's title: the question with its line breaks removed and trimmed; "tovikRAG" when
// nothing is left, else its first 8 user-perceived characters followed by "...".
QString tabTitle(const QString &question);

// Trimmed as the tab compares texts: white space and line breaks removed at both ends.
// The view costs only the length of the trimmed ends, so it is cheap on long answers.
QStringView trimmedView(QStringView text);
QString trimmedText(const QString &text);

// Unsaved: something is written and it differs from the linked record as stored.
bool contentIsDirty(const QString &question, const QString &answer,
                    const QString &savedQuestion, const QString &savedAnswer);

// At or below this width the tab shows one column and the toolbar an overflow menu.
inline constexpr double compactWidth = 402.0;
inline constexpr double minimumContentWidth = 380.0;
inline constexpr double defaultSidebarWidth = 560.0;

// The sidebar column's limits for a split view of width W and a stored width S.
struct SidebarWidthRule
{
    double minimum = 0;
    double ideal = 0;
    double maximum = 900;
    std::optional<double> enforced;

    static SidebarWidthRule compute(double availableWidth, double storedWidth, bool sidebarShown);
    static double usableStoredWidth(double storedWidth);
};

// The width to remember after the divider was dragged to `width`, or none.
std::optional<double> rememberedDividerWidth(double width, double availableWidth,
                                             std::optional<double> enforcedWidth);

} // namespace tovik
