#include "modelserver/httplanguagemodel.h"

#include "modelserver/modelserverprotocol.h"
#include "modelserver/modelserversettings.h"
#include "modelserver/modelservertransport.h"

#include <QTimer>

namespace tovik {

HttpLanguageModel::HttpLanguageModel(ModelServerSettings &settings, Timing timing, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_timing(timing)
{
    connect(&m_settings, &ModelServerSettings::settingsChanged, this, [this] { refreshAvailability(); });
    // Learn it at start, but after the constructor's caller has connected.
    QTimer::singleShot(0, this, [this] { refreshAvailability(); });
}

HttpLanguageModel::HttpLanguageModel(ModelServerSettings &settings, QObject *parent)
    : HttpLanguageModel(settings, Timing{}, parent)
{
}

void HttpLanguageModel::setAvailable(bool available)
{
    if (m_available == available)
        return;
    m_available = available;
    Q_EMIT availableChanged();
}

bool HttpLanguageModel::isAvailable()
{
    if (!m_checking && (!m_checkedAt.isValid() || m_checkedAt.elapsed() >= m_timing.staleAfterMs))
        refreshAvailability();
    return m_available;
}

void HttpLanguageModel::refreshAvailability()
{
    const quint64 generation = ++m_checkGeneration;
    const auto base = m_settings.baseURL();
    const QString model = m_settings.assistantModel().trimmed();
    if (!base || model.isEmpty()) {
        m_checking = false;
        m_checkedAt.start();
        setAvailable(false);
        Q_EMIT availabilityChecked();
        return;
    }
    m_checking = true;
    ModelServerTransport::prepare(m_manager, *base);
    ModelServerTransport::send(
        m_manager, ModelServerTransport::request(ModelServerProtocol::endpoint(*base, QStringLiteral("models"))), nullptr,
        m_timing.probeTimeoutMs, this, [this, generation, model](const ModelServerReply &reply) {
            if (generation != m_checkGeneration)
                return;
            m_checking = false;
            m_checkedAt.start();
            const auto ids = reply.answered() ? ModelServerProtocol::parseModelIDs(reply.body) : std::nullopt;
            setAvailable(ids && ModelServerProtocol::listsModel(*ids, model));
            Q_EMIT availabilityChecked();
        });
}

void HttpLanguageModel::respond(const StructuredRequest &request, QObject *context,
                                std::function<void(StructuredReply)> done)
{
    const auto base = m_settings.baseURL();
    const QString model = m_settings.assistantModel().trimmed();
    if (!base || model.isEmpty()) {
        QTimer::singleShot(0, context, [done = std::move(done)] { done({std::nullopt, QStringLiteral("no model set")}); });
        return;
    }
    ModelServerTransport::prepare(m_manager, *base);
    const QByteArray body = ModelServerProtocol::chatBody(model, request);
    ModelServerTransport::send(
        m_manager,
        ModelServerTransport::request(ModelServerProtocol::endpoint(*base, QStringLiteral("chat/completions"))), &body,
        m_timing.requestTimeoutMs, context, [this, done = std::move(done)](const ModelServerReply &reply) {
            StructuredReply result;
            switch (reply.outcome) {
            case ModelServerReply::Outcome::answered:
                result.content = ModelServerProtocol::parseChatContent(reply.body, &result.failure);
                break;
            case ModelServerReply::Outcome::noResponse:
            case ModelServerReply::Outcome::unreachable:
                // The server is gone or stuck: say "not available" until a check finds it again.
                m_checkedAt.start();
                setAvailable(false);
                result.failure = reply.detail;
                break;
            case ModelServerReply::Outcome::tooLarge:
                result.failure = reply.detail;
                break;
            case ModelServerReply::Outcome::httpError:
                if (reply.httpStatus == 404) {
                    // The server does not know the model (any more).
                    m_checkedAt.start();
                    setAvailable(false);
                }
                result.failure = reply.detail;
                break;
            }
            done(result);
        });
}

} // namespace tovik
