#pragma once

#include <QHash>
#include <QString>

namespace tovik {

// Messages this system adds beyond the fixed table (a child killed by a signal, a page
// that can't be rendered, the page label), with their Traditional Chinese texts.
// translate() consults them after the fixed table.
const QHash<QString, QString> &supplementaryTranslations();

} // namespace tovik
