#include "rdap/http_answer.h"

#include "app_info.h"

#include <algorithm>

namespace nomispot {

namespace {

QString originOf(const QUrl& url) {
    return url.scheme() + QLatin1Char(':') + url.host() + QLatin1Char(':') +
           QString::number(url.port(0));
}

} // namespace

QNetworkRequest programRequest(const QUrl& url, const QByteArray& accept) {
    QNetworkRequest request(url);
    request.setRawHeader("Accept", accept);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("%1/%2.%3.%4")
                                                            .arg(appTitle())
                                                            .arg(kVersionMajor)
                                                            .arg(kVersionMinor)
                                                            .arg(kVersionRevision));
    return request;
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isNetworkFailure(QNetworkReply::NetworkError error) {
    // Below 100: the connection itself failed; above, HTTP said so.
    return error > QNetworkReply::NoError && error < QNetworkReply::ProxyConnectionRefusedError;
}

RedirectStep redirectStep(const QUrl& from, const QNetworkReply& reply, int redirects,
                          const QString& who) {
    const QUrl target =
        from.resolved(QUrl::fromEncoded(reply.rawHeader("Location").trimmed(), QUrl::StrictMode));
    if (!target.isValid() || target.host().isEmpty())
        return {{}, QStringLiteral("%1 redirected to an address that cannot be used").arg(who)};
    if (redirects >= kMostRedirects)
        return {{},
                QStringLiteral("%1 redirected more than %2 times").arg(who).arg(kMostRedirects)};
    if (target.scheme() != QLatin1String("https") && originOf(target) != originOf(from))
        return {{},
                QStringLiteral("%1 redirected to %2, which is not https")
                    .arg(who, target.toString(QUrl::RemoveQuery | QUrl::RemoveFragment))};
    return {target, {}};
}

std::optional<QString> cutShortReason(const QNetworkReply& reply, qsizetype received,
                                      const QString& host) {
    bool hasLength = false;
    const qlonglong length = reply.rawHeader("Content-Length").trimmed().toLongLong(&hasLength);
    if (!hasLength || received >= length)
        return std::nullopt;
    return QStringLiteral("the answer from %1 was cut short (%2 of %3 bytes)")
        .arg(host)
        .arg(received)
        .arg(length);
}

QString httpStatusReason(const QString& who, const QNetworkReply& reply) {
    return QStringLiteral("%1 answered HTTP %2 %3")
        .arg(who)
        .arg(reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt())
        .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
        .trimmed();
}

} // namespace nomispot
