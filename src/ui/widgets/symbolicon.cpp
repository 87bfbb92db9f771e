#include "widgets/symbolicon.h"

#include "widgets/symboliconengine.h"

#include <QEvent>
#include <QFile>
#include <QHash>
#include <QLabel>

namespace tovik {

namespace {
const QHash<QString, QString> &symbolTable()
{
    static const QHash<QString, QString> table{
        {QStringLiteral("doc.on.doc"), QStringLiteral("edit-copy-symbolic")},
        {QStringLiteral("checkmark"), QStringLiteral("object-select-symbolic")},
        {QStringLiteral("arrow.down.doc"), QStringLiteral("document-save-symbolic")},
        {QStringLiteral("sidebar.leading"), QStringLiteral("sidebar-show-symbolic")},
        {QStringLiteral("rectangle.split.2x1"), QStringLiteral("view-dual-symbolic")},
        {QStringLiteral("gearshape"), QStringLiteral("emblem-system-symbolic")},
        {QStringLiteral("gear"), QStringLiteral("emblem-system-symbolic")},
        {QStringLiteral("ellipsis"), QStringLiteral("view-more-symbolic")},
        {QStringLiteral("chevron.down"), QStringLiteral("pan-down-symbolic")},
        {QStringLiteral("chevron.up"), QStringLiteral("pan-up-symbolic")},
        {QStringLiteral("chevron.right"), QStringLiteral("pan-end-symbolic")},
        {QStringLiteral("clock.arrow.circlepath"), QStringLiteral("document-open-recent-symbolic")},
        {QStringLiteral("magnifyingglass"), QStringLiteral("edit-find-symbolic")},
        {QStringLiteral("xmark.circle.fill"), QStringLiteral("edit-clear-symbolic")},
        {QStringLiteral("textformat"), QStringLiteral("preferences-desktop-font-symbolic")},
        {QStringLiteral("hand.raised"), QStringLiteral("preferences-system-privacy-symbolic")},
        {QStringLiteral("brain"), QStringLiteral("applications-science-symbolic")},
        {QStringLiteral("arrow.up.right"), QStringLiteral("go-next-symbolic")},
        {QStringLiteral("plus"), QStringLiteral("tab-new-symbolic")},
        {QStringLiteral("pin"), QStringLiteral("view-pin-symbolic")},
        // The freedesktop theme has no filled pin; the pin button shows pinned as pressed.
        {QStringLiteral("pin.fill"), QStringLiteral("view-pin-symbolic")},
        {QStringLiteral("arrow.right"), QStringLiteral("go-next-symbolic")},
        {QStringLiteral("arrow.left"), QStringLiteral("go-previous-symbolic")},
        {QStringLiteral("plus.magnifyingglass"), QStringLiteral("zoom-in-symbolic")},
        {QStringLiteral("minus.magnifyingglass"), QStringLiteral("zoom-out-symbolic")},
        {QStringLiteral("arrow.up.left.and.arrow.down.right"), QStringLiteral("zoom-fit-best-symbolic")},
        {QStringLiteral("hand.raised.fill"), QStringLiteral("input-mouse-symbolic")},
        {QStringLiteral("character.cursor.ibeam"), QStringLiteral("insert-text-symbolic")},
        {QStringLiteral("photo"), QStringLiteral("image-x-generic-symbolic")},
        {QStringLiteral("doc.text.magnifyingglass"), QStringLiteral("edit-find-symbolic")},
        {QStringLiteral("doc.richtext"), QStringLiteral("x-office-document-symbolic")},
    };
    return table;
}
} // namespace

QString freedesktopIconName(const QString &symbol)
{
    return symbolTable().value(symbol);
}

QStringList symbolNames()
{
    QStringList names = symbolTable().keys();
    names.sort();
    return names;
}

namespace {
// The theme's symbol when it has one, else the copy that ships with the program:
// desktops without an icon theme still show every symbol.
QIcon sourceIcon(const QString &name)
{
    QIcon source = QIcon::fromTheme(name);
    if (source.isNull())
        source = QIcon(fallbackSymbolPath(name));
    return source;
}
} // namespace

QIcon symbolIcon(const QString &symbol)
{
    return symbolIcon(symbol, static_cast<const QWidget *>(nullptr));
}

QIcon symbolIcon(const QString &symbol, const QWidget *owner)
{
    const QString name = freedesktopIconName(symbol);
    if (name.isEmpty())
        return {};
    return QIcon(new SymbolIconEngine(sourceIcon(name), owner));
}

namespace {
// Draws a label's symbol again when the label's palette changes (a dark part of the window,
// or the desktop switching themes).
class SymbolRedraw final : public QObject
{
public:
    SymbolRedraw(QLabel *label, QString symbol, int side)
        : QObject(label)
        , m_label(label)
        , m_symbol(std::move(symbol))
        , m_side(side)
    {
        setObjectName(QStringLiteral("tovik-symbol-redraw"));
        label->installEventFilter(this);
        draw();
    }

    void draw()
    {
        m_label->setPixmap(
            symbolIcon(m_symbol, m_label).pixmap(QSize(m_side, m_side), m_label->devicePixelRatioF()));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_label
            && (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange))
            draw();
        return false;
    }

private:
    QLabel *m_label;
    QString m_symbol;
    int m_side;
};
} // namespace

void showSymbol(QLabel *label, const QString &symbol, int side)
{
    // One redraw per label: showing another symbol replaces the last one.
    for (auto *old : label->findChildren<QObject *>(QStringLiteral("tovik-symbol-redraw"), Qt::FindDirectChildrenOnly))
        delete old;
    new SymbolRedraw(label, symbol, side);
}

QIcon symbolIcon(const QString &symbol, const QColor &colour)
{
    const QString name = freedesktopIconName(symbol);
    if (name.isEmpty())
        return {};
    return QIcon(new SymbolIconEngine(sourceIcon(name), colour));
}

QString fallbackSymbolPath(const QString &freedesktopName)
{
    const QString path = QStringLiteral(":/symbols/") + freedesktopName + QStringLiteral(".svg");
    return QFile::exists(path) ? path : QString();
}

} // namespace tovik
