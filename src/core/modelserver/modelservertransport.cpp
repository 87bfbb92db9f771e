#include "modelserver/modelservertransport.h"

#include "modelserver/modelserverprotocol.h"
#include "system/logcategories.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace tovik {

namespace {

const char timedOutProperty[] = "tovikTimedOut";
const char tooLargeProperty[] = "tovikTooLarge";

bool overLimit(qint64 bytes)
{
    return bytes > ModelServerTransport::maximumReplyBytes;
}

// Gives up on a reply as soon as its body is known to be too large: by its
// stated length, or by what has arrived (a server may state none, or send a
// small compressed body that unpacks to far more).
void limitBody(QNetworkReply *reply)
{
    auto refuse = [reply] {
        reply->setProperty(tooLargeProperty, true);
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, refuse] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((length.isValid() && overLimit(length.toLongLong())) || overLimit(reply->bytesAvailable()))
            refuse();
    });
}

QNetworkReply *start(QNetworkAccessManager &manager, const QNetworkRequest &request, const QByteArray *body)
{
    QNetworkReply *reply = body ? manager.post(request, *body) : manager.get(request);
    limitBody(reply);
    return reply;
}

void armTimeout(QNetworkReply *reply, int timeoutMs)
{
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, reply, [reply] {
        reply->setProperty(timedOutProperty, true);
        reply->abort();
    });
    timer->start(timeoutMs);
}

ModelServerReply readReply(QNetworkReply *reply)
{
    ModelServerReply result;
    if (reply->property(timedOutProperty).toBool()) {
        result.outcome = ModelServerReply::Outcome::noResponse;
        result.detail = QStringLiteral("no response in time");
        return result;
    }
    if (reply->property(tooLargeProperty).toBool() || overLimit(reply->bytesAvailable())) {
        result.outcome = ModelServerReply::Outcome::tooLarge;
        result.detail = QStringLiteral("reply over %1 MiB").arg(ModelServerTransport::maximumReplyBytes >> 20);
        return result;
    }
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    if (result.httpStatus >= 200 && result.httpStatus < 300) {
        result.outcome = ModelServerReply::Outcome::answered;
    } else if (result.httpStatus != 0) {
        result.outcome = ModelServerReply::Outcome::httpError;
        result.detail = QStringLiteral("HTTP %1").arg(result.httpStatus);
        const QString message = ModelServerProtocol::errorMessage(result.body);
        if (!message.isEmpty())
            result.detail += QStringLiteral(": ") + message.left(200);
    } else {
        result.outcome = ModelServerReply::Outcome::unreachable;
        result.detail = reply->errorString();
    }
    return result;
}

// Whether the model server is there and answers is what a bug report needs to know.
void logReply(const QNetworkReply *reply, const ModelServerReply &result)
{
    const QString url = reply->url().toString(QUrl::RemoveUserInfo);
    if (result.answered())
        qCDebug(lcModelServer) << url << "answered with HTTP" << result.httpStatus;
    else
        qCInfo(lcModelServer) << url << "not available:" << result.detail;
}

} // namespace

QNetworkRequest ModelServerTransport::request(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Accept", "application/json");
    // A redirect could point anywhere; a local model server has no reason to send one.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // Local servers speak HTTP/1.1; skip the HTTP/2 negotiation.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    return request;
}

void ModelServerTransport::prepare(QNetworkAccessManager &manager, const QUrl &base)
{
    if (ModelServerProtocol::isLoopback(base))
        manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    else
        manager.setProxy(QNetworkProxy(QNetworkProxy::DefaultProxy));
}

void ModelServerTransport::send(QNetworkAccessManager &manager, const QNetworkRequest &request, const QByteArray *body,
                                int timeoutMs, QObject *context, std::function<void(ModelServerReply)> done)
{
    QNetworkReply *reply = start(manager, request, body);
    armTimeout(reply, timeoutMs);
    QPointer<QObject> guard(context);
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, guard, done = std::move(done)] {
        const ModelServerReply result = readReply(reply);
        logReply(reply, result);
        reply->deleteLater();
        if (guard)
            done(result);
    });
}

ModelServerReply ModelServerTransport::sendAndWait(QNetworkAccessManager &manager, const QNetworkRequest &request,
                                                   const QByteArray *body, int timeoutMs)
{
    Q_ASSERT(!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread());
    QNetworkReply *reply = start(manager, request, body);
    armTimeout(reply, timeoutMs);
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const ModelServerReply result = readReply(reply);
    logReply(reply, result);
    delete reply;
    return result;
}

} // namespace tovik
