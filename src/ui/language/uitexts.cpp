#include "language/uitexts.h"

#include "i18n/translate.h"

namespace tovik {

QString uiText(UiText text)
{
    struct Pair
    {
        const char16_t *english;
        const char16_t *chinese;
    };
    static constexpr Pair pairs[] = {
        {u"&File", u"檔案(&F)"},
        {u"&View", u"顯示(&V)"},
        {u"&Window", u"視窗(&W)"},
        {u"New Tab", u"新增分頁"},
        {u"New Window", u"新增視窗"},
        {u"Close Tab", u"關閉分頁"},
        {u"Close Window", u"關閉視窗"},
        {u"Move Tab to New Window", u"將分頁移至新視窗"},
        {u"Merge All Windows", u"合併所有視窗"},
        {u"Quit tovikRAG", u"結束 tovikRAG"},
        {u"Settings…", u"設定…"},
        {u"&Help", u"說明(&H)"},
        {u"Keyboard Shortcuts", u"鍵盤快速鍵"},
        {u"Show Next Tab", u"顯示下一個分頁"},
        {u"Show Previous Tab", u"顯示上一個分頁"},
    };
    const Pair &pair = pairs[static_cast<int>(text)];
    return QString::fromUtf16(storedLanguageIsChinese() ? pair.chinese : pair.english);
}

} // namespace tovik
