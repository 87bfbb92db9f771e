#include "modelserver/httpembeddingmodel.h"

#include "modelserver/modelserverprotocol.h"
#include "modelserver/modelservertransport.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QThread>

namespace tovik {

HttpEmbeddingModel::HttpEmbeddingModel(QUrl base, QString model, Timing timing)
    : m_base(std::move(base))
    , m_model(std::move(model))
    , m_timing(timing)
{
}

HttpEmbeddingModel::HttpEmbeddingModel(QUrl base, QString model)
    : HttpEmbeddingModel(std::move(base), std::move(model), Timing{})
{
}

HttpEmbeddingModel::~HttpEmbeddingModel()
{
    // A manager may only be deleted on its own thread.
    if (m_manager && m_managerThread != QThread::currentThread())
        m_manager.release()->deleteLater();
}

QNetworkAccessManager &HttpEmbeddingModel::manager()
{
    if (!m_manager || m_managerThread != QThread::currentThread()) {
        if (m_manager)
            m_manager.release()->deleteLater();
        m_manager = std::make_unique<QNetworkAccessManager>();
        m_managerThread = QThread::currentThread();
        ModelServerTransport::prepare(*m_manager, m_base);
    }
    return *m_manager;
}

void HttpEmbeddingModel::markDown()
{
    m_downSince.start();
}

bool HttpEmbeddingModel::recentlyDown() const
{
    return m_downSince.isValid() && m_downSince.elapsed() < m_timing.retryAfterMs;
}

bool HttpEmbeddingModel::hasAvailableAssets()
{
    if (m_model.trimmed().isEmpty())
        return false;
    if (recentlyDown())
        return false;
    if (m_assets && (*m_assets || m_assetsCheckedAt.elapsed() < m_timing.retryAfterMs))
        return *m_assets;

    const ModelServerReply reply = ModelServerTransport::sendAndWait(
        manager(), ModelServerTransport::request(ModelServerProtocol::endpoint(m_base, QStringLiteral("models"))),
        nullptr, m_timing.probeTimeoutMs);
    m_assetsCheckedAt.start();
    switch (reply.outcome) {
    case ModelServerReply::Outcome::answered:
        if (const auto ids = ModelServerProtocol::parseModelIDs(reply.body)) {
            m_assets = ModelServerProtocol::listsModel(*ids, m_model);
            return *m_assets;
        }
        // A server that lists its models in some other way: let the embeddings decide.
        m_assets = true;
        return true;
    case ModelServerReply::Outcome::httpError:
        // No model list on this server (404 and the like): try the embeddings.
        m_assets = true;
        return true;
    case ModelServerReply::Outcome::unreachable:
    case ModelServerReply::Outcome::noResponse:
    case ModelServerReply::Outcome::tooLarge:
        m_assets.reset();
        markDown();
        return false;
    }
    return false;
}

std::optional<EmbeddingResult> HttpEmbeddingModel::embed(const QString &text)
{
    // One dead server must not cost one time-out per saved question.
    if (recentlyDown() || m_model.trimmed().isEmpty())
        return std::nullopt;
    const QByteArray body = ModelServerProtocol::embeddingsBody(m_model, text);
    const ModelServerReply reply = ModelServerTransport::sendAndWait(
        manager(), ModelServerTransport::request(ModelServerProtocol::endpoint(m_base, QStringLiteral("embeddings"))),
        &body, m_timing.requestTimeoutMs);
    switch (reply.outcome) {
    case ModelServerReply::Outcome::answered:
        break;
    case ModelServerReply::Outcome::httpError:
        if (reply.httpStatus == 404) {
            // The server does not know the model.
            m_assets = false;
            m_assetsCheckedAt.start();
        }
        return std::nullopt;
    case ModelServerReply::Outcome::unreachable:
    case ModelServerReply::Outcome::noResponse:
    // A server that answers with megabytes would cost that much per saved question.
    case ModelServerReply::Outcome::tooLarge:
        markDown();
        return std::nullopt;
    }
    const auto vector = ModelServerProtocol::parseEmbedding(reply.body);
    if (!vector)
        return std::nullopt;
    // One model gives one length; another length is a fault of the server, and
    // a vector that cannot be compared is not worth keeping.
    const int dimension = int(vector->size());
    if (!m_dimension)
        m_dimension = dimension;
    else if (dimension != *m_dimension)
        return std::nullopt;
    return EmbeddingResult{dimension, {*vector}};
}

} // namespace tovik
