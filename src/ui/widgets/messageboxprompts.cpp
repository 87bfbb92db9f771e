#include "widgets/messageboxprompts.h"

#include "i18n/translate.h"

#include <QMessageBox>
#include <QPushButton>

namespace tovik {

UnsavedChoice MessageBoxPrompts::askUnsaved(const QString &englishText)
{
    QMessageBox box(QMessageBox::Warning, translate(QStringLiteral("Unsaved question")),
                    translate(QStringLiteral("Unsaved question")), QMessageBox::NoButton, m_parent);
    box.setInformativeText(translate(englishText));
    QPushButton *save = box.addButton(translate(QStringLiteral("Save")), QMessageBox::AcceptRole);
    QPushButton *dontSave = box.addButton(translate(QStringLiteral("Don't Save")), QMessageBox::DestructiveRole);
    dontSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    QPushButton *cancel = box.addButton(translate(QStringLiteral("Cancel")), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return UnsavedChoice::save;
    if (box.clickedButton() == dontSave)
        return UnsavedChoice::dontSave;
    return UnsavedChoice::cancel;
}

UnsavedChoice MessageBoxPrompts::confirmDiscardForLoad()
{
    return askUnsaved(QStringLiteral("Load another question without saving this one?"));
}

UnsavedChoice MessageBoxPrompts::confirmLeave(bool asking)
{
    return askUnsaved(asking ? QStringLiteral("The answer isn't finished. Leave without saving this question?")
                             : QStringLiteral("Leave without saving this question?"));
}

bool MessageBoxPrompts::confirmDelete(int count)
{
    const QString text = count == 1
        ? translate(QStringLiteral("Delete this question? This can't be undone."))
        : translated(QStringLiteral("Delete {count} questions? This can't be undone."),
                     {{QStringLiteral("count"), QString::number(count)}});
    QMessageBox box(QMessageBox::Warning, translate(QStringLiteral("Delete question")),
                    translate(QStringLiteral("Delete question")), QMessageBox::NoButton, m_parent);
    box.setInformativeText(text);
    QPushButton *remove = box.addButton(translate(QStringLiteral("Delete")), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(translate(QStringLiteral("Cancel")), QMessageBox::RejectRole);
    box.setDefaultButton(remove);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == remove;
}

} // namespace tovik
