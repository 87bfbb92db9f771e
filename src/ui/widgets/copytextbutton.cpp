#include "widgets/copytextbutton.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "widgets/symbolicon.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

namespace tovik {

CopyTextButton::CopyTextButton(const QString &itemName, QWidget *parent)
    : QToolButton(parent)
    , m_itemName(itemName)
    , m_reset(new QTimer(this))
{
    setAutoRaise(true);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    m_reset->setSingleShot(true);
    m_reset->setInterval(resetMilliseconds);
    connect(m_reset, &QTimer::timeout, this, [this] { setDidCopy(false); });
    connect(this, &QToolButton::clicked, this, &CopyTextButton::copy);
    followLanguage(this, [this] { refresh(); });
}

void CopyTextButton::copy()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(copiedText());
    // A second press restarts the 1.5 seconds.
    m_reset->start();
    setDidCopy(true);
}

void CopyTextButton::setDidCopy(bool didCopy)
{
    if (m_didCopy == didCopy)
        return;
    m_didCopy = didCopy;
    refresh();
    Q_EMIT didCopyChanged();
}

void CopyTextButton::refresh()
{
    setIcon(symbolIcon(m_didCopy ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc"), this));
    const QString help = m_didCopy
        ? translate(QStringLiteral("Copied"))
        : translated(QStringLiteral("Copy {item}"), {{QStringLiteral("item"), translate(m_itemName)}});
    setToolTip(help);
    setAccessibleName(help);
}

} // namespace tovik
