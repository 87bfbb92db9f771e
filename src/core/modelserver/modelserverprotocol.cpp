#include "modelserver/modelserverprotocol.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace tovik {

namespace {

std::optional<QJsonObject> objectOf(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QString withoutLatestTag(const QString &name)
{
    return name.endsWith(QLatin1String(":latest")) ? name.chopped(7) : name;
}

} // namespace

std::optional<QUrl> ModelServerProtocol::baseURL(const QString &typed)
{
    const QUrl url(typed.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return std::nullopt;
    return url.adjusted(QUrl::StripTrailingSlash | QUrl::RemoveQuery | QUrl::RemoveFragment);
}

bool ModelServerProtocol::isLoopback(const QUrl &url)
{
    const QString host = url.host().toLower();
    if (host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost")))
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QUrl ModelServerProtocol::endpoint(const QUrl &base, const QString &path)
{
    QUrl url = base;
    QString basePath = url.path();
    while (basePath.endsWith(QLatin1Char('/')))
        basePath.chop(1);
    url.setPath(basePath + QLatin1Char('/') + path);
    return url;
}

QByteArray ModelServerProtocol::embeddingsBody(const QString &model, const QString &text)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("model"), model}, {QStringLiteral("input"), text}})
        .toJson(QJsonDocument::Compact);
}

std::optional<QList<double>> ModelServerProtocol::parseEmbedding(const QByteArray &body)
{
    const auto object = objectOf(body);
    if (!object)
        return std::nullopt;
    const QJsonArray data = object->value(QLatin1String("data")).toArray();
    if (data.isEmpty())
        return std::nullopt;
    const QJsonValue embedding = data.first().toObject().value(QLatin1String("embedding"));
    if (!embedding.isArray())
        return std::nullopt;
    QList<double> vector;
    const QJsonArray numbers = embedding.toArray();
    vector.reserve(numbers.size());
    for (const QJsonValue &number : numbers) {
        if (!number.isDouble())
            return std::nullopt;
        vector.append(number.toDouble());
    }
    if (vector.isEmpty())
        return std::nullopt;
    return vector;
}

QByteArray ModelServerProtocol::chatBody(const QString &model, const StructuredRequest &request)
{
    const QJsonArray messages{
        QJsonObject{{QStringLiteral("role"), QStringLiteral("system")}, {QStringLiteral("content"), request.instructions}},
        QJsonObject{{QStringLiteral("role"), QStringLiteral("user")}, {QStringLiteral("content"), request.prompt}},
    };
    const QJsonObject format{
        {QStringLiteral("type"), QStringLiteral("json_schema")},
        {QStringLiteral("json_schema"),
         QJsonObject{{QStringLiteral("name"), request.schemaName},
                     {QStringLiteral("strict"), true},
                     {QStringLiteral("schema"), request.schema}}},
    };
    // No temperature, sampling or length settings: the model's defaults answer.
    const QJsonObject body{
        {QStringLiteral("model"), model},
        {QStringLiteral("messages"), messages},
        {QStringLiteral("response_format"), format},
        {QStringLiteral("stream"), false},
    };
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

std::optional<QJsonObject> ModelServerProtocol::parseChatContent(const QByteArray &body, QString *failure)
{
    auto fail = [failure](const char *reason) {
        if (failure)
            *failure = QString::fromLatin1(reason);
        return std::nullopt;
    };
    const auto object = objectOf(body);
    if (!object)
        return fail("the reply is not JSON");
    const QJsonArray choices = object->value(QLatin1String("choices")).toArray();
    if (choices.isEmpty())
        return fail("the reply has no choices");
    const QJsonValue content = choices.first().toObject().value(QLatin1String("message")).toObject().value(QLatin1String("content"));
    if (!content.isString())
        return fail("the reply has no message content");
    const auto answer = objectOf(content.toString().toUtf8());
    if (!answer)
        return fail("the message content is not a JSON object");
    return answer;
}

std::optional<QStringList> ModelServerProtocol::parseModelIDs(const QByteArray &body)
{
    const auto object = objectOf(body);
    if (!object || !object->value(QLatin1String("data")).isArray())
        return std::nullopt;
    QStringList ids;
    for (const QJsonValue &entry : object->value(QLatin1String("data")).toArray()) {
        const QString id = entry.toObject().value(QLatin1String("id")).toString();
        if (!id.isEmpty())
            ids.append(id);
    }
    return ids;
}

bool ModelServerProtocol::listsModel(const QStringList &ids, const QString &model)
{
    const QString wanted = withoutLatestTag(model.trimmed());
    if (wanted.isEmpty())
        return false;
    for (const QString &id : ids) {
        if (withoutLatestTag(id) == wanted)
            return true;
    }
    return false;
}

QString ModelServerProtocol::errorMessage(const QByteArray &body)
{
    const auto object = objectOf(body);
    if (!object)
        return {};
    const QJsonValue error = object->value(QLatin1String("error"));
    if (error.isString())
        return error.toString();
    return error.toObject().value(QLatin1String("message")).toString();
}

} // namespace tovik
