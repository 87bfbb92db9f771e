#pragma once

#include <QColor>
#include <QIcon>
#include <QString>
#include <QStringList>

namespace tovik {

// The symbol names the interface is designed with ("doc.on.doc", "gearshape", …),
// mapped to freedesktop icon names in one table and loaded from the icon theme, or
// from the program's own copies without one; drawn in the palette's text colour.
QIcon symbolIcon(const QString &symbol);
// The same symbol always in `colour`, for a part with a fixed background of its own.
QIcon symbolIcon(const QString &symbol, const QColor &colour);

// The freedesktop name used for a symbol, for tests and diagnostics.
QString freedesktopIconName(const QString &symbol);
// Every symbol of the table, sorted.
QStringList symbolNames();
// The resource path of the copy shipped for a freedesktop symbolic icon; empty if none.
QString fallbackSymbolPath(const QString &freedesktopName);

} // namespace tovik
