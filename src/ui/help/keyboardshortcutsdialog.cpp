#include "help/keyboardshortcutsdialog.h"

#include "widgets/sharedwindow.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "language/uitexts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <functional>

namespace tovik {

namespace {

struct ShortcutRow
{
    std::function<QString()> text;
    QList<QKeySequence> keys;
};

QString english(const char *text)
{
    return translate(QString::fromUtf8(text));
}

// Kept beside the code that installs each key: the main window's menus, the tab's
// question row and Ctrl+F, the find bar, the page views, the secondary windows.
QList<ShortcutRow> shortcutRows()
{
    using K = QKeySequence;
    return {
        {[] { return uiText(UiText::NewTab); }, {K(Qt::CTRL | Qt::Key_T)}},
        {[] { return uiText(UiText::CloseTab); }, {K(Qt::CTRL | Qt::Key_W)}},
        {[] { return uiText(UiText::CloseWindow); }, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_W)}},
        {[] { return uiText(UiText::ShowNextTab); }, {K(Qt::CTRL | Qt::Key_Tab), K(Qt::CTRL | Qt::Key_PageDown)}},
        {[] { return uiText(UiText::ShowPreviousTab); },
         {K(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), K(Qt::CTRL | Qt::Key_PageUp)}},
        {[] { return english("Show or hide the sidebar"); }, {K(Qt::CTRL | Qt::ALT | Qt::Key_S)}},
        {[] { return english("Compare Tabs"); }, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_K)}},
        {[] { return uiText(UiText::ShowSettings); }, {K(Qt::CTRL | Qt::Key_Comma)}},
        {[] { return uiText(UiText::Quit); }, {K(Qt::CTRL | Qt::Key_Q)}},
        {[] { return english("Ask"); }, {K(Qt::Key_Return), K(Qt::CTRL | Qt::Key_Return)}},
        {[] { return english("New line in the question"); }, {K(Qt::SHIFT | Qt::Key_Return)}},
        {[] { return english("Save"); }, {K(Qt::CTRL | Qt::Key_S)}},
        {[] { return english("Find in the cited pages"); }, {K(Qt::CTRL | Qt::Key_F)}},
        {[] { return english("Search history (with the History page shown)"); }, {K(Qt::CTRL | Qt::Key_F)}},
        {[] { return english("Next match"); }, {K(Qt::Key_Return), K(Qt::CTRL | Qt::Key_G)}},
        {[] { return english("Previous match"); }, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_G)}},
        {[] { return english("Clear the search, then leave the find field"); }, {K(Qt::Key_Escape)}},
        {[] { return english("Select all text of a page"); }, {K(Qt::CTRL | Qt::Key_A)}},
        {[] { return english("Select page text from the keyboard"); },
         {K(Qt::SHIFT | Qt::Key_Left), K(Qt::SHIFT | Qt::Key_Right), K(Qt::SHIFT | Qt::Key_Up),
          K(Qt::SHIFT | Qt::Key_Down)}},
        {[] { return english("Copy the selected page text"); }, {K(Qt::CTRL | Qt::Key_C)}},
        {[] { return english("Close the Settings or Compare window"); },
         {K(Qt::Key_Escape), K(Qt::CTRL | Qt::Key_W)}},
        {[] { return uiText(UiText::KeyboardShortcuts); }, {K(Qt::CTRL | Qt::Key_Question)}},
    };
}

} // namespace

KeyboardShortcutsDialog::KeyboardShortcutsDialog(QWidget *parent)
    : QDialog(parent)
    , m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("keyboardShortcuts"));
    resize(520, 560);
    m_table->setColumnCount(2);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *column = new QVBoxLayout(this);
    column->addWidget(m_table, 1);
    column->addWidget(buttons);

    followLanguage(this, [this, buttons] {
        refresh();
        buttons->button(QDialogButtonBox::Close)->setText(english("Close"));
    });
}

void KeyboardShortcutsDialog::refresh()
{
    setWindowTitle(uiText(UiText::KeyboardShortcuts));
    m_table->setHorizontalHeaderLabels({english("Action"), english("Keys")});
    m_table->setAccessibleName(uiText(UiText::KeyboardShortcuts));
    const QList<ShortcutRow> rows = shortcutRows();
    m_table->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        QStringList keys;
        for (const QKeySequence &sequence : rows.at(row).keys)
            keys.append(sequence.toString(QKeySequence::NativeText));
        // Menu texts carry mnemonics and ellipses; the list shows plain names.
        QString text = rows.at(row).text();
        text.remove(QLatin1Char('&'));
        m_table->setItem(row, 0, new QTableWidgetItem(text));
        m_table->setItem(row, 1, new QTableWidgetItem(keys.join(QStringLiteral(", "))));
    }
}

KeyboardShortcutsDialog *showKeyboardShortcuts(QWidget *parent)
{
    return showSharedWindow<KeyboardShortcutsDialog>(parent);
}

} // namespace tovik
