#pragma once

#include "rdap/rdap_bootstrap.h"
#include "result.h"

#include <QByteArray>
#include <QDate>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <chrono>
#include <optional>

class QNetworkReply;

namespace nomispot {

// Where a refresh fetches the registry list: NOMISPOT_RDAP_BOOTSTRAP_URL, else IANA's file.
inline constexpr auto kBootstrapUrlEnv = "NOMISPOT_RDAP_BOOTSTRAP_URL";
QUrl bootstrapRefreshUrl();

// A list older than this many days is refreshed at the start of a confirmation.
inline constexpr int kBootstrapMaxAgeDays = 30;

struct RefreshPolicy {
    std::chrono::milliseconds timeout{10000}; // for the whole answer, redirects included
    qint64 largest = 4 * 1024 * 1024;         // IANA's file is about 50 KB
};

struct BootstrapRefreshOutcome {
    enum Kind {
        NotTried,  // not due: the list is recent, or a refresh was tried today
        Refreshed, // a newer list was saved and is in use
        Unchanged, // no newer list (304, or the one fetched is not newer)
        Failed,    // the old list stays; reason says why
    };
    Kind kind = NotTried;
    QString reason;      // Unchanged and Failed: in words
    QString publication; // of the list in use afterwards, as its file gives it
};

// The day a publication ("2026-07-23T00:00:00Z") gives, as yyyy-MM-dd; the text itself when it
// is not a date.
QString publicationDay(const QString& publication);

// Whether an automatic refresh is due: the list was published more than kBootstrapMaxAgeDays
// before today (a list without a readable date counts as old), and no refresh was tried today.
bool refreshDue(const QString& publication, const QDate& today,
                const std::optional<QDate>& lastTry);

// The small file beside the user's copy that remembers the day of the last try.
QString refreshRecordPath();
// The day of the last try; nothing when there is no record or it cannot be read.
std::optional<QDate> lastRefreshTry();
Status recordRefreshTry(const QDate& day);

// Whether a confirmation starting now should refresh first: never when NOMISPOT_RDAP_BOOTSTRAP
// names a fixed file.
bool automaticRefreshDue(const QString& dataDir);

// The summary's words on it: "Registry list refreshed: 2026-12-01.", "Registry list of
// 2026-07-23; refresh failed: <reason>.", "Registry list of 2026-07-23; no newer one (<reason>).";
// empty when none was tried.
QString refreshSummary(const BootstrapRefreshOutcome& outcome);

// Fetches the registry list once (If-Modified-Since the list in use), bounded in size and in
// time, and saves it as the user's copy only when it is a usable list newer than that one.
class BootstrapRefresh : public QObject {
    Q_OBJECT
public:
    explicit BootstrapRefresh(QString dataDir, RefreshPolicy policy = {},
                              QObject* parent = nullptr);
    ~BootstrapRefresh() override;

    // Starts it (forced: whether due or not); finished() follows from the event loop.
    void start(bool force);
    // Stops it; no finished() follows, and nothing is saved.
    void cancel();

signals:
    void finished(const nomispot::BootstrapRefreshOutcome& outcome);

private:
    void fetch(const QUrl& url, int redirects);
    void take(QNetworkReply* reply);
    void received(QNetworkReply* reply, int redirects);
    BootstrapRefreshOutcome outcomeOf(QNetworkReply* reply) const;
    BootstrapRefreshOutcome adopt(const QByteArray& body) const;
    void deliver(BootstrapRefreshOutcome outcome);

    QString m_dataDir;
    RefreshPolicy m_policy;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QUrl m_url;      // asked now
    QString m_inUse; // the publication of the list in use
    QByteArray m_body;
    enum class Cut { None, TooLarge, TimedOut } m_cut = Cut::None;
    unsigned m_generation = 0; // a cancel leaves queued deliveries behind
};

} // namespace nomispot
