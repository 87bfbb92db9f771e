#pragma once

#include <QIcon>
#include <QString>

namespace tovik {

// The symbol names the interface is designed with ("doc.on.doc", "gearshape", …),
// mapped to freedesktop icon names in one table and loaded from the icon theme.
QIcon symbolIcon(const QString &symbol);

// The freedesktop name used for a symbol, for tests and diagnostics.
QString freedesktopIconName(const QString &symbol);

} // namespace tovik
