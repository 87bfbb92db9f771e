#pragma once

#include <QColor>
#include <QIcon>
#include <QString>
#include <QStringList>

class QLabel;
class QWidget;

namespace tovik {

// The symbol names the interface is designed with ("doc.on.doc", "gearshape", …),
// mapped to freedesktop icon names in one table and loaded from the icon theme, or
// from the program's own copies without one; drawn in the palette's text colour.
QIcon symbolIcon(const QString &symbol);
// The symbol in the text colour of `owner`'s palette: right inside a part of the window
// whose palette differs from the application's.
QIcon symbolIcon(const QString &symbol, const QWidget *owner);
// Shows the symbol as `label`'s picture, `side` pixels square in the label's palette, and
// draws it again whenever that palette changes (a label's picture is fixed once set).
void showSymbol(QLabel *label, const QString &symbol, int side);
// The same symbol always in `colour`, for a part with a fixed background of its own.
QIcon symbolIcon(const QString &symbol, const QColor &colour);

// The freedesktop name used for a symbol, for tests and diagnostics.
QString freedesktopIconName(const QString &symbol);
// Every symbol of the table, sorted.
QStringList symbolNames();
// The resource path of the copy shipped for a freedesktop symbolic icon; empty if none.
QString fallbackSymbolPath(const QString &freedesktopName);

} // namespace tovik
