#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkRequest;
class QObject;

namespace tovik {

// What came back from one request to the model server.
struct ModelServerReply
{
    enum class Outcome {
        answered,    // HTTP 2xx
        httpError,   // any other HTTP status, redirects included (they are not followed)
        unreachable, // refused, unknown host, TLS failure, connection dropped
        noResponse,  // the time-out ran out
        tooLarge,    // the body grew past maximumReplyBytes and was cut off
    };

    Outcome outcome = Outcome::unreachable;
    int httpStatus = 0;
    QByteArray body;
    QString detail; // short, untranslated: "HTTP 500: model not loaded", "Connection refused"

    bool answered() const { return outcome == Outcome::answered; }
};

// Sending requests to the model server. Requests go to the typed address only:
// redirects are never followed, and an address on this machine bypasses any
// proxy, so nothing leaves the machine unless the user typed another host.
// Reply bodies are held to maximumReplyBytes as they arrive.
class ModelServerTransport final
{
public:
    ModelServerTransport() = delete;

    // No reply of the API needs more: a model list, one chat answer, or one
    // embedding of 8,192 numbers written out in full fits many times over.
    // Anything larger is not read to the end.
    static constexpr qint64 maximumReplyBytes = 1024 * 1024;

    // A request for a URL with the JSON content type and the redirect rule.
    static QNetworkRequest request(const QUrl &url);
    // Sets the proxy rule of a manager for requests to `base`.
    static void prepare(QNetworkAccessManager &manager, const QUrl &base);

    // Sends (POST with a body, GET without) and calls `done` on the manager's
    // thread when the reply or the time-out comes, unless `context` is gone.
    static void send(QNetworkAccessManager &manager, const QNetworkRequest &request, const QByteArray *body,
                     int timeoutMs, QObject *context, std::function<void(ModelServerReply)> done);

    // Sends and waits in a local event loop. For a worker thread that owns
    // `manager` and has nothing else to do meanwhile; never the interface thread.
    static ModelServerReply sendAndWait(QNetworkAccessManager &manager, const QNetworkRequest &request,
                                        const QByteArray *body, int timeoutMs);
};

} // namespace tovik
