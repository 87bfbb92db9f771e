#include "documents/keyglyphs.h"

namespace tovik {

QString withPlatformKeyNames(QString text)
{
    // Modifier order follows the usual Linux spelling: Shift+Ctrl+G.
    text.replace(QStringLiteral("⇧⌘"), QStringLiteral("Shift+Ctrl+"));
    text.replace(QStringLiteral("⌥⌘"), QStringLiteral("Alt+Ctrl+"));
    text.replace(QStringLiteral("⌘"), QStringLiteral("Ctrl+"));
    text.replace(QStringLiteral("⇧"), QStringLiteral("Shift+"));
    text.replace(QStringLiteral("⌥"), QStringLiteral("Alt+"));
    return text;
}

} // namespace tovik
