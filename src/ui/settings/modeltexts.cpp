#include "settings/modeltexts.h"

#include "i18n/translate.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QStringList>

namespace tovik {

namespace {

const QHash<QString, QString> &chineseTexts()
{
    static const QHash<QString, QString> table{
        // The page.
        {QStringLiteral("Model"), QStringLiteral("模型")},
        {QStringLiteral("Model server"), QStringLiteral("模型伺服器")},
        {QStringLiteral("Meaning-aware history search asks this server (Ollama, llama.cpp or LM Studio) for sentence "
                        "embeddings and for the assistant's reading. Nothing is sent anywhere else."),
         QStringLiteral("按意思搜尋記錄時，會向此伺服器（Ollama、llama.cpp 或 LM Studio）取得句子嵌入向量及助理的解讀。"
                        "不會傳送到其他地方。")},
        {QStringLiteral("Embedding models"), QStringLiteral("嵌入模型")},
        {QStringLiteral("English"), QStringLiteral("英文")},
        {QStringLiteral("Chinese"), QStringLiteral("中文")},
        {QStringLiteral("Leave a name empty to search that language by literal matches only."),
         QStringLiteral("名稱留空時，該語言只按字面比對搜尋。")},
        {QStringLiteral("Assistant model"), QStringLiteral("助理模型")},
        {QStringLiteral("Reads negation in a search sentence. Leave it empty to use the negation rules on their own."),
         QStringLiteral("解讀搜尋句子中的否定語氣。留空時只使用否定規則。")},
        {QStringLiteral("Distance thresholds"), QStringLiteral("距離門檻")},
        {QStringLiteral("A saved question counts as a match when its cosine distance to the sentence is at most this "
                        "value. Each embedding model needs its own values."),
         QStringLiteral("已儲存問題與句子的餘弦距離不大於此值時，即視為相符。每個嵌入模型需要各自的數值。")},
        {QStringLiteral("Server check"), QStringLiteral("伺服器檢查")},
        {QStringLiteral("Check"), QStringLiteral("檢查")},
        {QStringLiteral("Checking…"), QStringLiteral("正在檢查…")},
        {QStringLiteral("Press Check to ask the server which models it has."),
         QStringLiteral("按「檢查」查詢伺服器提供哪些模型。")},
        {QStringLiteral("English embedding model"), QStringLiteral("英文嵌入模型")},
        {QStringLiteral("Chinese embedding model"), QStringLiteral("中文嵌入模型")},
        {QStringLiteral("English distance threshold"), QStringLiteral("英文距離門檻")},
        {QStringLiteral("Chinese distance threshold"), QStringLiteral("中文距離門檻")},
        {QStringLiteral("Result of the server check"), QStringLiteral("伺服器檢查結果")},
        // The check's messages (modelserver/modelservercheck.cpp).
        {QStringLiteral("\"{address}\" isn't an http:// or https:// address."),
         QStringLiteral("「{address}」不是 http:// 或 https:// 位址。")},
        {QStringLiteral("The model server at {address} didn't respond."),
         QStringLiteral("位於 {address} 的模型伺服器沒有回應。")},
        {QStringLiteral("Couldn't reach the model server at {address}: {detail}"),
         QStringLiteral("無法連線到位於 {address} 的模型伺服器：{detail}")},
        {QStringLiteral("The model server at {address} answered with an error: {detail}"),
         QStringLiteral("位於 {address} 的模型伺服器回覆了錯誤：{detail}")},
        {QStringLiteral("The model server at {address} answered, but not with a model list."),
         QStringLiteral("位於 {address} 的模型伺服器有回覆，但不是模型清單。")},
        {QStringLiteral("The model server at {address} answered and offers {count} models."),
         QStringLiteral("位於 {address} 的模型伺服器已回覆，提供 {count} 個模型。")},
        {QStringLiteral("This address is not on this computer: search sentences and saved questions are sent to it."),
         QStringLiteral("此位址不在這部電腦上：搜尋句子及已儲存的問題會傳送到該處。")},
        {QStringLiteral("English embeddings"), QStringLiteral("英文嵌入向量")},
        {QStringLiteral("Chinese embeddings"), QStringLiteral("中文嵌入向量")},
        {QStringLiteral("{part}: no model named; only literal matches are shown."),
         QStringLiteral("{part}：未指定模型；只顯示字面相符的結果。")},
        {QStringLiteral("Assistant: no model named; negation rules are used on their own."),
         QStringLiteral("助理：未指定模型；只使用否定規則。")},
        {QStringLiteral("Assistant: {model} is ready."), QStringLiteral("助理：{model} 已就緒。")},
        {QStringLiteral("Assistant: the server has no model named {model}."),
         QStringLiteral("助理：伺服器沒有名為 {model} 的模型。")},
        {QStringLiteral("{part}: {model} answered with {dimension} numbers per text."),
         QStringLiteral("{part}：{model} 已回覆，每段文字 {dimension} 個數值。")},
        {QStringLiteral("{part}: the server has no model named {model}."),
         QStringLiteral("{part}：伺服器沒有名為 {model} 的模型。")},
        {QStringLiteral("{part}: {model} didn't respond."), QStringLiteral("{part}：{model} 沒有回應。")},
        {QStringLiteral("{part}: {model} gave no embedding ({detail})."),
         QStringLiteral("{part}：{model} 沒有提供嵌入向量（{detail}）。")},
        {QStringLiteral("unreadable reply"), QStringLiteral("無法讀取的回覆")},
    };
    return table;
}

// The check's message templates, most specific first.
const QStringList &checkTemplates()
{
    static const QStringList templates{
        QStringLiteral("\"{address}\" isn't an http:// or https:// address."),
        QStringLiteral("The model server at {address} didn't respond."),
        QStringLiteral("Couldn't reach the model server at {address}: {detail}"),
        QStringLiteral("The model server at {address} answered with an error: {detail}"),
        QStringLiteral("The model server at {address} answered, but not with a model list."),
        QStringLiteral("The model server at {address} answered and offers {count} models."),
        QStringLiteral("This address is not on this computer: search sentences and saved questions are sent to it."),
        QStringLiteral("{part}: no model named; only literal matches are shown."),
        QStringLiteral("Assistant: no model named; negation rules are used on their own."),
        QStringLiteral("Assistant: the server has no model named {model}."),
        QStringLiteral("Assistant: {model} is ready."),
        QStringLiteral("{part}: the server has no model named {model}."),
        QStringLiteral("{part}: {model} answered with {dimension} numbers per text."),
        QStringLiteral("{part}: {model} gave no embedding ({detail})."),
        QStringLiteral("{part}: {model} didn't respond."),
    };
    return templates;
}

const QRegularExpression &placeholderPattern()
{
    static const QRegularExpression placeholder(QStringLiteral("\\{(\\w+)\\}"));
    return placeholder;
}

struct CheckPattern
{
    QString english;
    QRegularExpression expression;
    QStringList names;
};

// Each template as an anchored expression with one group per placeholder; {part}
// is one of the two labels the check uses.
const QList<CheckPattern> &checkPatterns()
{
    static const QList<CheckPattern> patterns = [] {
        QList<CheckPattern> list;
        for (const QString &english : checkTemplates()) {
            CheckPattern pattern{english, {}, {}};
            QString source = QStringLiteral("^");
            qsizetype at = 0;
            for (auto it = placeholderPattern().globalMatch(english); it.hasNext();) {
                const auto match = it.next();
                source += QRegularExpression::escape(english.mid(at, match.capturedStart() - at));
                const QString name = match.captured(1);
                source += name == QStringLiteral("part") ? QStringLiteral("(English embeddings|Chinese embeddings)")
                                                         : QStringLiteral("(.*)");
                pattern.names.append(name);
                at = match.capturedEnd();
            }
            source += QRegularExpression::escape(english.mid(at)) + QStringLiteral("$");
            pattern.expression.setPattern(source);
            list.append(pattern);
        }
        return list;
    }();
    return patterns;
}

QString localizedLine(const QString &line)
{
    for (const CheckPattern &pattern : checkPatterns()) {
        const auto match = pattern.expression.match(line);
        if (!match.hasMatch())
            continue;
        QHash<QString, QString> values;
        for (int i = 0; i < pattern.names.size(); ++i) {
            const QString &name = pattern.names.at(i);
            QString value = match.captured(i + 1);
            // The labels and the check's own detail are words of this application; the
            // server's and the network's details are passed on as they came.
            if (name == QStringLiteral("part") || value == QStringLiteral("unreadable reply"))
                value = modelText(value);
            values.insert(name, value);
        }
        // One pass over the translated template, so a value that looks like "{name}" stays as it is.
        const QString translated = modelText(pattern.english);
        QString text;
        qsizetype at = 0;
        for (auto it = placeholderPattern().globalMatch(translated); it.hasNext();) {
            const auto found = it.next();
            text += translated.mid(at, found.capturedStart() - at);
            text += values.value(found.captured(1), found.captured(0));
            at = found.capturedEnd();
        }
        return text + translated.mid(at);
    }
    return line;
}

} // namespace

QString modelText(const QString &english)
{
    if (!storedLanguageIsChinese())
        return english;
    return chineseTexts().value(english, english);
}

QString modelText(const QString &english, std::initializer_list<std::pair<QString, QString>> values)
{
    return fill(modelText(english), values);
}

QString localizedCheckReport(const QString &report)
{
    if (!storedLanguageIsChinese())
        return report;
    QStringList lines = report.split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = localizedLine(line);
    return lines.join(QLatin1Char('\n'));
}

} // namespace tovik
