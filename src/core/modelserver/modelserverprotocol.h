#pragma once

#include "modelserver/languagemodel.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace tovik {

// The OpenAI-compatible HTTP API that Ollama, llama.cpp's server and LM Studio
// serve: request bodies and the parts of the replies that are used. Pure.
class ModelServerProtocol final
{
public:
    ModelServerProtocol() = delete;

    // A typed address as a base URL ("http://127.0.0.1:11434/v1"): http or https
    // with a host, without a trailing slash; nothing for anything else.
    static std::optional<QUrl> baseURL(const QString &typed);
    // Whether the address names this machine (localhost, 127.0.0.0/8, ::1).
    static bool isLoopback(const QUrl &url);
    // base + "/" + path.
    static QUrl endpoint(const QUrl &base, const QString &path);

    static QByteArray embeddingsBody(const QString &model, const QString &text);
    // The first vector of an embeddings reply.
    static std::optional<QList<double>> parseEmbedding(const QByteArray &body);

    static QByteArray chatBody(const QString &model, const StructuredRequest &request);
    // The JSON object in the first choice's message; `failure` says what was wrong.
    static std::optional<QJsonObject> parseChatContent(const QByteArray &body, QString *failure);

    // The model ids of a models reply.
    static std::optional<QStringList> parseModelIDs(const QByteArray &body);
    // Whether `model` is among the ids; "name" and "name:latest" count as the same.
    static bool listsModel(const QStringList &ids, const QString &model);

    // The server's own message of an error reply, if it sent one.
    static QString errorMessage(const QByteArray &body);
};

} // namespace tovik
