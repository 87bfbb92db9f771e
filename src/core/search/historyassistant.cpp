#include "search/historyassistant.h"

#include "modelserver/httplanguagemodel.h"
#include "modelserver/modelserversettings.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QLocale>

namespace tovik {

namespace {

const QString instructionsTail = QStringLiteral(
    ".\n"
    "You read one search sentence about saved questions and answers. The sentence may be Cantonese.\n"
    "If the person says someone or something was not mentioned, did not appear, or should be left out, copy only "
    "that name or phrase into excludedPhrases and set wantsAbsence to true.\n"
    "Example: 冇提過陳大文 excludes 陳大文 and wantsAbsence is true. A saved question about who 陳大文 is related to "
    "does not match.\n"
    "If the person is asking about a name, wantsAbsence is false and excludedPhrases is empty.\n"
    "An ordinary topic search leaves excludedPhrases empty and wantsAbsence false.\n"
    "Copy phrases from the sentence. Do not translate them.");

const QString excludedPhrasesKey = QStringLiteral("excludedPhrases");
const QString wantsAbsenceKey = QStringLiteral("wantsAbsence");

} // namespace

HistoryAssistant &HistoryAssistant::shared()
{
    static HistoryAssistant instance(*new HttpLanguageModel(ModelServerSettings::shared(), QCoreApplication::instance()));
    return instance;
}

HistoryAssistant::HistoryAssistant(LanguageModel &model)
    : m_model(model)
{
}

bool HistoryAssistant::assistantAvailable() const
{
    return m_model.isAvailable();
}

StructuredRequest HistoryAssistant::request(const QString &trimmedSentence, const QString &localeIdentifier)
{
    StructuredRequest request;
    request.instructions = QStringLiteral("The person's locale is ") + localeIdentifier + instructionsTail;
    request.prompt = QStringLiteral("Search sentence: ") + trimmedSentence;
    request.schemaName = QStringLiteral("HistorySearchReading");
    request.schema = readingSchema();
    return request;
}

QJsonObject HistoryAssistant::readingSchema()
{
    const QJsonObject phrases{
        {QStringLiteral("type"), QStringLiteral("array")},
        {QStringLiteral("items"), QJsonObject{{QStringLiteral("type"), QStringLiteral("string")}}},
        {QStringLiteral("description"),
         QStringLiteral("Names or phrases copied from the sentence that the person said were not mentioned. "
                        "Empty when nothing is excluded.")},
    };
    const QJsonObject absence{
        {QStringLiteral("type"), QStringLiteral("boolean")},
        {QStringLiteral("description"), QStringLiteral("True when the person wants to exclude those phrases.")},
    };
    // JSON objects keep their keys sorted, which happens to be the field order.
    return QJsonObject{
        {QStringLiteral("type"), QStringLiteral("object")},
        {QStringLiteral("properties"), QJsonObject{{excludedPhrasesKey, phrases}, {wantsAbsenceKey, absence}}},
        {QStringLiteral("required"), QJsonArray{excludedPhrasesKey, wantsAbsenceKey}},
        {QStringLiteral("additionalProperties"), false},
    };
}

std::optional<HistorySearchReading> HistoryAssistant::decodeReading(const QJsonObject &object)
{
    const QJsonValue phrases = object.value(excludedPhrasesKey);
    const QJsonValue absence = object.value(wantsAbsenceKey);
    if (!phrases.isArray() || !absence.isBool())
        return std::nullopt;
    HistorySearchReading reading;
    for (const QJsonValue &phrase : phrases.toArray()) {
        if (!phrase.isString())
            return std::nullopt;
        reading.excludedPhrases.append(phrase.toString());
    }
    reading.wantsAbsence = absence.toBool();
    return reading;
}

void HistoryAssistant::askAssistant(const QString &trimmedSentence, QObject *context,
                                    std::function<void(std::optional<HistorySearchReading>)> done) const
{
    m_model.respond(request(trimmedSentence, QLocale::system().name()), context,
                    [done = std::move(done)](const StructuredReply &reply) {
                        done(reply.content ? decodeReading(*reply.content) : std::nullopt);
                    });
}

} // namespace tovik
