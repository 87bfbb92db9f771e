#include "app/accessiblewalk.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QWidget>

namespace tovik::test {

namespace {

bool isOperable(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::Button:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonDropGrid:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::PageTab:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::Dial:
    case QAccessible::Link:
        return true;
    default:
        return false;
    }
}

// A widget reached with Tab is operable whatever role it reports (a page view, a
// scroll area, a canvas).
bool takesTabFocus(const QAccessibleInterface *node)
{
    auto *widget = qobject_cast<QWidget *>(node->object());
    return widget && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy();
}

QString describe(const QAccessibleInterface *node, const QString &path)
{
    const QObject *object = node->object();
    QString text = QStringLiteral("%1 role 0x%2").arg(path).arg(static_cast<int>(node->role()), 0, 16);
    if (object) {
        text += QLatin1Char(' ') + QString::fromLatin1(object->metaObject()->className());
        if (!object->objectName().isEmpty())
            text += QLatin1Char('#') + object->objectName();
        if (const QObject *parent = object->parent())
            text += QStringLiteral(" in ") + QString::fromLatin1(parent->metaObject()->className());
    }
    const QString value = node->text(QAccessible::Value).left(30);
    if (!value.isEmpty())
        text += QStringLiteral(" value \"") + value + QLatin1Char('"');
    return text;
}

void walk(QAccessibleInterface *node, const QString &path, QStringList &found, int depth)
{
    if (!node || !node->isValid() || depth > 60)
        return;
    const QAccessible::State state = node->state();
    if (state.invisible)
        return;
    const QAccessible::Role role = node->role();
    // List and table cells are named by their text; the list itself is what needs a name.
    if (role == QAccessible::ListItem || role == QAccessible::Cell || role == QAccessible::TreeItem
        || role == QAccessible::ColumnHeader || role == QAccessible::RowHeader || role == QAccessible::MenuItem)
        return;
    if ((isOperable(role) || takesTabFocus(node)) && node->text(QAccessible::Name).trimmed().isEmpty())
        found.append(describe(node, path));
    // The entries of a list or table are its rows, not controls of their own.
    if (role == QAccessible::List || role == QAccessible::Table || role == QAccessible::Tree)
        return;
    const int count = node->childCount();
    for (int i = 0; i < count; ++i)
        walk(node->child(i), path + QLatin1Char('/') + QString::number(i), found, depth + 1);
}

} // namespace

QStringList unnamedControls(QWidget *window)
{
    QStringList found;
    walk(QAccessible::queryAccessibleInterface(window), QStringLiteral("window"), found, 0);
    return found;
}

} // namespace tovik::test
