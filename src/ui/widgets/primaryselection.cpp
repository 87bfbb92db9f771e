#include "widgets/primaryselection.h"

#include <QClipboard>
#include <QGuiApplication>

namespace tovik {

void offerPrimarySelection(const QString &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!text.isEmpty() && clipboard->supportsSelection())
        clipboard->setText(text, QClipboard::Selection);
}

} // namespace tovik
