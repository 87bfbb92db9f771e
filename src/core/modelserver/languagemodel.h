#pragma once

#include <QJsonObject>
#include <QString>

#include <functional>
#include <optional>

class QObject;

namespace tovik {

// One request for a structured answer: the model is told the instructions, sent
// the prompt, and held to the JSON schema.
struct StructuredRequest
{
    QString instructions;
    QString prompt;
    QString schemaName;
    QJsonObject schema;
};

// The answer: the JSON object the model produced, or nothing with a short
// untranslated reason ("didn't respond", "HTTP 500", ...).
struct StructuredReply
{
    std::optional<QJsonObject> content;
    QString failure;
};

// The on-device (or local-server) language model.
//
// Thread rules: interface thread only. Nothing here blocks: availability is
// answered from what is already known, and respond() calls `done` later through
// the event loop, unless `context` was destroyed meanwhile.
class LanguageModel
{
public:
    virtual ~LanguageModel() = default;

    // Whether the model is known to be ready now. May start a background check
    // whose result later calls see.
    virtual bool isAvailable() = 0;
    // Sends the request; `done` receives the reply on the interface thread.
    virtual void respond(const StructuredRequest &request, QObject *context,
                         std::function<void(StructuredReply)> done) = 0;
};

} // namespace tovik
