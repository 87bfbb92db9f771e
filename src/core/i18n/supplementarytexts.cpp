#include "i18n/supplementarytexts.h"

namespace tovik {

const QHash<QString, QString> &supplementaryTranslations()
{
    static const QHash<QString, QString> table{
        {QStringLiteral("rag was stopped by signal {signal} ({name})."),
         QStringLiteral("rag 被訊號 {signal}（{name}）終止。")},
        {QStringLiteral("Couldn't render page {page}."), QStringLiteral("無法顯示第 {page} 頁。")},
        {QStringLiteral("p."), QStringLiteral("頁")},
        {QStringLiteral("This app keeps questions, answers, and settings on your computer."),
         QStringLiteral("此應用程式會將提問、回答及設定保存在你的電腦上。")},
        {QStringLiteral("rag wasn't found. Reinstall tovikRAG to get the rag that comes with it, put a rag in "
                        "~/.local/bin, or choose its path in Settings → System."),
         QStringLiteral("找不到 rag。請重新安裝 tovikRAG 以取得隨附的 rag、將 rag 放在 ~/.local/bin，"
                        "或在「設定」→「系統」中選擇它的路徑。")},
        // Settings → System.
        {QStringLiteral("Browse…"), QStringLiteral("瀏覽…")},
        {QStringLiteral("Choose the rag Program"), QStringLiteral("選擇 rag 程式")},
        {QStringLiteral("Choose the Working Directory"), QStringLiteral("選擇工作目錄")},
        // Help → About tovikRAG.
        {QStringLiteral("About tovikRAG"), QStringLiteral("關於 tovikRAG")},
        {QStringLiteral("Version {version}"), QStringLiteral("版本 {version}")},
        {QStringLiteral("Free software under the GNU General Public License, version 3 or any later version."),
         QStringLiteral("自由軟體，依 GNU 通用公共授權條款第 3 版或任何更新版本發佈。")},
        {QStringLiteral("Libraries"), QStringLiteral("程式庫")},
        {QStringLiteral("Library"), QStringLiteral("程式庫")},
        {QStringLiteral("Version"), QStringLiteral("版本")},
        // Help → Keyboard Shortcuts.
        {QStringLiteral("Show or hide the sidebar"), QStringLiteral("顯示或隱藏側邊欄")},
        {QStringLiteral("New line in the question"), QStringLiteral("在提問中換行")},
        {QStringLiteral("Find in the cited pages"), QStringLiteral("在引用的頁面中尋找")},
        {QStringLiteral("Next match"), QStringLiteral("下一個符合項目")},
        {QStringLiteral("Previous match"), QStringLiteral("上一個符合項目")},
        {QStringLiteral("Clear the search, then leave the find field"), QStringLiteral("清除搜尋，再離開搜尋欄位")},
        {QStringLiteral("Select all text of a page"), QStringLiteral("選取頁面上的全部文字")},
        {QStringLiteral("Copy the selected page text"), QStringLiteral("拷貝所選的頁面文字")},
        {QStringLiteral("Close the Settings or Compare window"), QStringLiteral("關閉設定或比較視窗")},
        {QStringLiteral("Close"), QStringLiteral("關閉")},
        {QStringLiteral("Action"), QStringLiteral("動作")},
        {QStringLiteral("Keys"), QStringLiteral("按鍵")},
    };
    return table;
}

} // namespace tovik
