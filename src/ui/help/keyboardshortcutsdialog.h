#pragma once

#include <QDialog>

class QTableWidget;

namespace tovik {

// Help → Keyboard Shortcuts: every key the windows answer to, in the interface language.
class KeyboardShortcutsDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyboardShortcutsDialog)

public:
    explicit KeyboardShortcutsDialog(QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }

private:
    void refresh();

    QTableWidget *m_table;
};

// Shows the one shortcuts dialog, made on first use.
KeyboardShortcutsDialog *showKeyboardShortcuts(QWidget *parent);

} // namespace tovik
