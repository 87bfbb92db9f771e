#pragma once

#include "tabs/userprompts.h"

#include <QPointer>
#include <QWidget>

namespace tovik {

// Real alerts for the workflow's questions, modal over `parent`.
class MessageBoxPrompts final : public UserPrompts
{
public:
    explicit MessageBoxPrompts(QWidget *parent) : m_parent(parent) {}

    UnsavedChoice confirmDiscardForLoad() override;
    UnsavedChoice confirmLeave(bool asking) override;
    bool confirmDelete(int count) override;

private:
    UnsavedChoice askUnsaved(const QString &englishText);

    QPointer<QWidget> m_parent;
};

} // namespace tovik
