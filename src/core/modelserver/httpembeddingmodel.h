#pragma once

#include "modelserver/embeddingmodel.h"

#include <QElapsedTimer>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class QNetworkAccessManager;
class QThread;

namespace tovik {

// An embedding model served over the OpenAI-compatible HTTP API
// (POST {base}/embeddings). The server pools each text into one vector.
//
// Why blocking calls: the ranking is a plain loop on the history search queue
// that needs one vector before it can decide whether to embed the answer, so
// each request is sent and waited for right there, in a local event loop on that
// worker thread. The thread runs nothing else, so the loop re-enters no other
// code, and the interface thread never waits. The network manager belongs to
// the thread that makes the calls and is remade if a call comes from another.
class HttpEmbeddingModel final : public EmbeddingModel
{
public:
    struct Timing
    {
        int requestTimeoutMs = 20000; // one embedding
        int probeTimeoutMs = 5000;    // the model list
        int retryAfterMs = 30000;     // how long a missing model or a dead server is believed
    };

    HttpEmbeddingModel(QUrl base, QString model, Timing timing);
    HttpEmbeddingModel(QUrl base, QString model);
    ~HttpEmbeddingModel() override;

    bool hasAvailableAssets() override;
    std::optional<EmbeddingResult> embed(const QString &text) override;

private:
    QNetworkAccessManager &manager();
    void markDown();
    bool recentlyDown() const;

    QUrl m_base;
    QString m_model;
    Timing m_timing;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    QThread *m_managerThread = nullptr;
    std::optional<bool> m_assets;
    QElapsedTimer m_assetsCheckedAt;
    QElapsedTimer m_downSince; // invalid while the server is believed up
    std::optional<int> m_dimension; // the length of the first vector this model gave
};

} // namespace tovik
