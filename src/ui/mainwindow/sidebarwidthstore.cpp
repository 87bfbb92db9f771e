#include "mainwindow/sidebarwidthstore.h"

#include "system/settingsstore.h"
#include "tabs/contentrules.h"

#include <QSettings>

#include <cmath>

namespace tovik {

namespace {
const QString key = QStringLiteral("documentsSidebarWidth");
}

SidebarWidthStore &SidebarWidthStore::shared()
{
    static SidebarWidthStore store;
    return store;
}

double SidebarWidthStore::width() const
{
    bool ok = false;
    const double stored = threadSettingsStore().value(key).toDouble(&ok);
    return ok ? stored : defaultSidebarWidth;
}

std::optional<QString> SidebarWidthStore::commit(double width)
{
    if (std::abs(width - this->width()) < 1)
        return std::nullopt;
    std::optional<QString> error = writeSetting(key, width);
    Q_EMIT widthChanged();
    return error;
}

} // namespace tovik
