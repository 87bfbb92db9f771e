#pragma once

namespace tovik {

// The answer to "Unsaved question": Save, Don't Save or Cancel.
enum class UnsavedChoice { save, dontSave, cancel };

// The modal questions the tab workflow asks the user. The window shows real alerts;
// tests answer them directly.
class UserPrompts
{
public:
    virtual ~UserPrompts() = default;

    // "Load another question without saving this one?"
    virtual UnsavedChoice confirmDiscardForLoad() = 0;
    // Closing an unsaved tab; `asking` while its answer is still being produced.
    virtual UnsavedChoice confirmLeave(bool asking) = 0;
    // "Delete this question?" / "Delete {count} questions?"; true when confirmed.
    virtual bool confirmDelete(int count) = 0;
};

} // namespace tovik
