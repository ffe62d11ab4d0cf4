#include "platform/host/internet.h"

#include "platform/host/console.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

namespace platform {

// Qt's own HTTP, where there is no libcurl (Windows). It bounds the body
// but not the headers.
struct HostInternetTransfer::Session {
    QNetworkAccessManager network;
};

HostInternetTransfer::HostInternetTransfer() = default;
HostInternetTransfer::~HostInternetTransfer() = default;

std::optional<QString> HostInternetTransfer::openUrl(const QString& address)
{
    if (!session_) {
        // As desktop programs do: http_proxy / no_proxy, or the desktop's own.
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        session_ = std::make_unique<Session>();
    }
    const QUrl url(QStringLiteral("http://") + address);
    if (!url.isValid() || url.host().isEmpty())
        return fetchFailed(error_, url, QStringLiteral("not a valid address"));

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QPointer<QNetworkReply> reply = session_->network.get(request);
    reply->setReadBufferSize(kMaxDocumentBytes + 1);

    QByteArray body;
    QString why;
    QEventLoop loop;
    // The deadline is over the whole transfer: a server that trickles a
    // byte now and then never trips an inactivity time-out.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        why = QStringLiteral("no complete answer within %1 s").arg(kFetchDeadlineMs / 1000);
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        body += reply->readAll();
        if (body.size() > kMaxDocumentBytes && why.isEmpty()) {
            why = QStringLiteral("the document is larger than %1 KiB").arg(kMaxDocumentBytes / 1024);
            reply->abort();
        }
    });
    // The deadline ends with the transfer. The loop may only get to quit
    // later, when a box that the user opened meanwhile is closed: what was
    // received by then is the answer.
    QObject::connect(reply, &QNetworkReply::finished, &deadline, &QTimer::stop);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(kFetchDeadlineMs);
    if (!reply->isFinished())
        loop.exec();
    deadline.stop();

    if (!reply)
        return fetchFailed(error_, url, QStringLiteral("the request went away"));
    reply->deleteLater();
    if (why.isEmpty() && reply->isOpen())
        body += reply->readAll();
    if (why.isEmpty() && body.size() > kMaxDocumentBytes)
        why = QStringLiteral("the document is larger than %1 KiB").arg(kMaxDocumentBytes / 1024);
    if (why.isEmpty() && reply->error() != QNetworkReply::NoError)
        why = reply->errorString();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (why.isEmpty() && (status < 200 || status > 299))
        why = QStringLiteral("HTTP status %1").arg(status);
    if (!why.isEmpty())
        return fetchFailed(error_, url, why);
    error_.clear();
    return documentText(body);
}

} // namespace platform
