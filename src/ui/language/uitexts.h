#pragma once

#include <QString>

namespace tovik {

// Texts of the window furniture (menus, tab bar) that desktop platforms with native
// window tabs supply themselves. They follow the interface language like every other text.
enum class UiText {
    FileMenu,
    ViewMenu,
    WindowMenu,
    NewTab,
    NewWindow,
    CloseTab,
    CloseWindow,
    MoveTabToNewWindow,
    MergeAllWindows,
    Quit,
    ShowSettings,
    HelpMenu,
    KeyboardShortcuts,
    ShowNextTab,
    ShowPreviousTab,
};

QString uiText(UiText text);

} // namespace tovik
