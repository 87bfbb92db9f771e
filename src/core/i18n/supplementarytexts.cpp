#include "i18n/supplementarytexts.h"

namespace tovik {

const QHash<QString, QString> &supplementaryTranslations()
{
    static const QHash<QString, QString> table{
        {QStringLiteral("rag was stopped by signal {signal} ({name})."),
         QStringLiteral("rag 被訊號 {signal}（{name}）終止。")},
        {QStringLiteral("Couldn't render page {page}."), QStringLiteral("無法顯示第 {page} 頁。")},
        {QStringLiteral("p."), QStringLiteral("頁")},
    };
    return table;
}

} // namespace tovik
