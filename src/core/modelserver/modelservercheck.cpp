#include "modelserver/modelservercheck.h"

#include "modelserver/modelserverprotocol.h"
#include "modelserver/modelservertransport.h"

#include <QTimer>

namespace tovik {

namespace {

// A short text in both languages, so that either model has something to embed.
const QString probeText = QStringLiteral("tax 稅務");

// One line of the report, in English with each "{name}" replaced by its value. The
// settings page puts the report in the interface language line by line, so the check
// itself needs no translations.
QString message(const QString &english, std::initializer_list<std::pair<QString, QString>> values = {})
{
    QString text = english;
    for (const auto &[name, value] : values)
        text.replace(QLatin1Char('{') + name + QLatin1Char('}'), value);
    return text;
}

} // namespace

ModelServerCheck::ModelServerCheck(Subject subject, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_subject(std::move(subject))
    , m_timeoutMs(timeoutMs)
{
}

void ModelServerCheck::start()
{
    const auto base = ModelServerProtocol::baseURL(m_subject.serverURL);
    if (!base) {
        m_lines.append(message(QStringLiteral("\"{address}\" isn't an http:// or https:// address."),
                               {{QStringLiteral("address"), m_subject.serverURL}}));
        QTimer::singleShot(0, this, [this] { finishIfDone(); });
        return;
    }
    m_base = *base;
    ModelServerTransport::prepare(m_manager, m_base);
    ++m_pending;
    ModelServerTransport::send(m_manager,
                               ModelServerTransport::request(ModelServerProtocol::endpoint(m_base, QStringLiteral("models"))),
                               nullptr, m_timeoutMs, this, [this](const ModelServerReply &reply) { listed(reply); });
}

QString ModelServerCheck::serverProblem(const ModelServerReply &reply) const
{
    const QString address = m_base.toString();
    switch (reply.outcome) {
    case ModelServerReply::Outcome::noResponse:
        return message(QStringLiteral("The model server at {address} didn't respond."), {{QStringLiteral("address"), address}});
    case ModelServerReply::Outcome::unreachable:
        return message(QStringLiteral("Couldn't reach the model server at {address}: {detail}"),
                       {{QStringLiteral("address"), address}, {QStringLiteral("detail"), reply.detail}});
    case ModelServerReply::Outcome::httpError:
    case ModelServerReply::Outcome::tooLarge:
    case ModelServerReply::Outcome::answered:
        break;
    }
    return message(QStringLiteral("The model server at {address} answered with an error: {detail}"),
                   {{QStringLiteral("address"), address}, {QStringLiteral("detail"), reply.detail}});
}

void ModelServerCheck::listed(const ModelServerReply &reply)
{
    --m_pending;
    const QString address = m_base.toString();
    const auto ids = reply.answered() ? ModelServerProtocol::parseModelIDs(reply.body) : std::nullopt;
    if (!reply.answered() || !ids) {
        m_lines.append(reply.answered()
                           ? message(QStringLiteral("The model server at {address} answered, but not with a model list."),
                                     {{QStringLiteral("address"), address}})
                           : serverProblem(reply));
        finishIfDone();
        return;
    }
    m_modelIDs = *ids;
    m_lines.append(message(QStringLiteral("The model server at {address} answered and offers {count} models."),
                           {{QStringLiteral("address"), address}, {QStringLiteral("count"), QString::number(ids->size())}}));
    if (!ModelServerProtocol::isLoopback(m_base))
        m_lines.append(message(QStringLiteral("This address is not on this computer: search sentences and saved questions are sent to it.")));

    const QString englishLabel = message(QStringLiteral("English embeddings"));
    const QString chineseLabel = message(QStringLiteral("Chinese embeddings"));
    const std::pair<QString, QString> embeddingParts[] = {
        {englishLabel, m_subject.englishEmbeddingModel.trimmed()},
        {chineseLabel, m_subject.chineseEmbeddingModel.trimmed()},
    };
    for (const auto &[label, model] : embeddingParts) {
        if (model.isEmpty()) {
            m_lines.append(message(QStringLiteral("{part}: no model named; only literal matches are shown."),
                                   {{QStringLiteral("part"), label}}));
            continue;
        }
        const int line = int(m_lines.size());
        m_lines.append(QString());
        ++m_pending;
        const QByteArray body = ModelServerProtocol::embeddingsBody(model, probeText);
        ModelServerTransport::send(
            m_manager, ModelServerTransport::request(ModelServerProtocol::endpoint(m_base, QStringLiteral("embeddings"))),
            &body, m_timeoutMs, this,
            [this, line, label, model](const ModelServerReply &embedding) { embedded(line, label, model, embedding); });
    }

    const QString assistant = m_subject.assistantModel.trimmed();
    if (assistant.isEmpty())
        m_lines.append(message(QStringLiteral("Assistant: no model named; negation rules are used on their own.")));
    else if (ModelServerProtocol::listsModel(m_modelIDs, assistant))
        m_lines.append(message(QStringLiteral("Assistant: {model} is ready."), {{QStringLiteral("model"), assistant}}));
    else
        m_lines.append(message(QStringLiteral("Assistant: the server has no model named {model}."),
                               {{QStringLiteral("model"), assistant}}));
    finishIfDone();
}

void ModelServerCheck::embedded(int line, const QString &label, const QString &model, const ModelServerReply &reply)
{
    --m_pending;
    QString text;
    const auto vector = reply.answered() ? ModelServerProtocol::parseEmbedding(reply.body) : std::nullopt;
    if (vector) {
        text = message(QStringLiteral("{part}: {model} answered with {dimension} numbers per text."),
                       {{QStringLiteral("part"), label}, {QStringLiteral("model"), model},
                        {QStringLiteral("dimension"), QString::number(vector->size())}});
    } else if (!ModelServerProtocol::listsModel(m_modelIDs, model)) {
        text = message(QStringLiteral("{part}: the server has no model named {model}."),
                       {{QStringLiteral("part"), label}, {QStringLiteral("model"), model}});
    } else if (reply.outcome == ModelServerReply::Outcome::noResponse) {
        text = message(QStringLiteral("{part}: {model} didn't respond."),
                       {{QStringLiteral("part"), label}, {QStringLiteral("model"), model}});
    } else {
        text = message(QStringLiteral("{part}: {model} gave no embedding ({detail})."),
                       {{QStringLiteral("part"), label}, {QStringLiteral("model"), model},
                        {QStringLiteral("detail"), reply.answered() ? QStringLiteral("unreadable reply") : reply.detail}});
    }
    m_lines[line] = text;
    finishIfDone();
}

void ModelServerCheck::finishIfDone()
{
    if (m_pending == 0)
        Q_EMIT finished(m_lines.join(QLatin1Char('\n')));
}

} // namespace tovik
