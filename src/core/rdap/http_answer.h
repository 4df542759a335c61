#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <optional>

namespace nomispot {

// What the network may hold for us before we read it: the download waits while we count.
inline constexpr qint64 kHttpReadBuffer = 64 * 1024;
// Redirects followed for one question.
inline constexpr int kMostRedirects = 3;

// A GET of url as this program: its name and version as the user agent.
QNetworkRequest programRequest(const QUrl& url, const QByteArray& accept);

bool isRedirect(int status);
// The connection itself failed (refused, reset, closed, TLS), rather than HTTP saying so.
bool isNetworkFailure(QNetworkReply::NetworkError error);

// Where a redirect answer to from leads, when it may be followed after redirects earlier hops:
// at most kMostRedirects, to https or within the same origin. Otherwise why not, with who
// ("the registry", a host name) as the one that redirected.
struct RedirectStep {
    QUrl target;
    QString refusal; // empty when target is to be asked
};
RedirectStep redirectStep(const QUrl& from, const QNetworkReply& reply, int redirects,
                          const QString& who);

// Why an answer shorter than its Content-Length counts for nothing; nothing when it is whole.
std::optional<QString> cutShortReason(const QNetworkReply& reply, qsizetype received,
                                      const QString& host);
// "who answered HTTP 503 Service Unavailable".
QString httpStatusReason(const QString& who, const QNetworkReply& reply);

} // namespace nomispot
