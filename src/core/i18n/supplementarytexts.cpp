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
        {QStringLiteral("Search history (with the History page shown)"),
         QStringLiteral("搜尋歷史記錄（顯示「歷史記錄」頁時）")},
        {QStringLiteral("Select page text from the keyboard"), QStringLiteral("用鍵盤選取頁面文字")},
        {QStringLiteral("Copy the selected page text"), QStringLiteral("拷貝所選的頁面文字")},
        {QStringLiteral("Close the Settings or Compare window"), QStringLiteral("關閉設定或比較視窗")},
        {QStringLiteral("Close"), QStringLiteral("關閉")},
        {QStringLiteral("Action"), QStringLiteral("動作")},
        {QStringLiteral("Keys"), QStringLiteral("按鍵")},
        // Cited files and corpus files that are not regular files.
        {QStringLiteral("{path} is a folder, not a regular file."), QStringLiteral("{path} 是資料夾，不是一般檔案。")},
        {QStringLiteral("{path} is a named pipe, not a regular file."), QStringLiteral("{path} 是具名管道，不是一般檔案。")},
        {QStringLiteral("{path} is a device, not a regular file."), QStringLiteral("{path} 是裝置，不是一般檔案。")},
        {QStringLiteral("{path} is a socket, not a regular file."), QStringLiteral("{path} 是通訊端，不是一般檔案。")},
        {QStringLiteral("{path} isn't a regular file."), QStringLiteral("{path} 不是一般檔案。")},
        {QStringLiteral("The corpus lists no file path for “{name}”."), QStringLiteral("語料庫沒有列出「{name}」的檔案路徑。")},
        // A saved question whose time of saving could not be read.
        {QStringLiteral("Unknown date"), QStringLiteral("日期不明")},
        // What SQLite's words about the history file mean.
        {QStringLiteral("Another program is using {path}; try again when it has finished."),
         QStringLiteral("另一個程式正在使用 {path}；請待它完成後再試。")},
        {QStringLiteral("{path} can't be written; check its permissions."), QStringLiteral("無法寫入 {path}；請檢查其權限。")},
        {QStringLiteral("The disk reported an error reading or writing {path}."),
         QStringLiteral("讀寫 {path} 時磁碟回報錯誤。")},
        {QStringLiteral("{path} is damaged or isn't a question database."), QStringLiteral("{path} 已損毀，或不是提問資料庫。")},
        {QStringLiteral("{path} can't be opened; check that its folder exists and can be written to."),
         QStringLiteral("無法開啟 {path}；請確認其資料夾存在且可以寫入。")},
        // A setting that could not be written to the settings file.
        {QStringLiteral("Couldn't save the setting: {path} can't be written, so the change lasts only until you quit."),
         QStringLiteral("無法儲存設定：{path} 無法寫入，因此這項變更只會維持到你結束程式為止。")},
        // A corpus lookup that did not come back in time.
        {QStringLiteral("corpus.sqlite didn't answer within {seconds} seconds."),
         QStringLiteral("corpus.sqlite 在 {seconds} 秒內沒有回應。")},
        // What a screen reader says about the parts of the windows.
        {QStringLiteral("The answer to the question, with the files and pages it cites."),
         QStringLiteral("問題的回答，以及它引用的檔案和頁面。")},
        {QStringLiteral("What rag reported while ingesting and answering."),
         QStringLiteral("rag 在入庫及回答時回報的內容。")},
        {QStringLiteral("Saved questions"), QStringLiteral("已儲存的提問")},
        {QStringLiteral("Saved questions and answers, newest first. Open one to load it in this tab."),
         QStringLiteral("已儲存的提問及回答，最新的在前。開啟其中一則即可載入此分頁。")},
        {QStringLiteral("Cited pages"), QStringLiteral("引用的頁面")},
        {QStringLiteral("The pages the answer cites, by document."), QStringLiteral("回答引用的頁面，依文件排列。")},
        {QStringLiteral("Page text. Shift and the arrow keys select, Ctrl+A selects all, Ctrl+C copies."),
         QStringLiteral("頁面文字。按 Shift 及方向鍵選取，Ctrl+A 全選，Ctrl+C 拷貝。")},
        // Citation markers in an answer are links to the page they cite.
        {QStringLiteral("Show page {page} of {file}"), QStringLiteral("顯示 {file} 第 {page} 頁")},
        {QStringLiteral("Claims citing this page"), QStringLiteral("引用此頁的陳述")},
        {QStringLiteral("Show where the page supports: {claim}"), QStringLiteral("顯示頁面中支持此陳述之處：{claim}")},
    };
    return table;
}

} // namespace tovik
