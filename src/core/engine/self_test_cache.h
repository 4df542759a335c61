#pragma once

#include "engine/check_table.h"
#include "result.h"

#include <QDateTime>
#include <QHostAddress>
#include <QString>
#include <map>
#include <utility>

namespace nomispot {

// How long a self-test finding is believed without asking again.
inline constexpr qint64 kSelfTestMemorySeconds = 24 * 60 * 60;

// The self-test's findings per nameserver and suffix, kept for a day in the user's cache folder,
// so that a check repeated within the day sends no probes for suffixes already tested.
//
// Use: load before a run, apply to its table once the nameserver's address is known, record the
// table when the run is over, save. Only definite findings are kept: both probes answered as
// expected (trusted), or one that distrusts the suffix. A file that cannot be read or makes no
// sense is treated as empty and replaced on save; nothing here ever stops a run.
class SelfTestCache {
public:
    // <userCacheDir>/self-test.tsv; empty when the system has no cache folder.
    static QString defaultPath();

    SelfTestCache() = default;
    explicit SelfTestCache(QString path) : m_path(std::move(path)) {}

    // The findings in the file at path younger than a day as of now.
    static SelfTestCache load(const QString& path, const QDateTime& now);

    // Gives each probe of table whose suffix has a finding for nameserverKey younger than a day
    // that finding: it is not probed, and an untrusted suffix's candidates are not sent. How many
    // probes were given one.
    int apply(CheckTable& table, const QString& nameserverKey, const QDateTime& now) const;
    // Keeps the definite findings of the probes table sent (remembered ones keep their age). How
    // many were kept.
    int record(const CheckTable& table, const QString& nameserverKey, const QDateTime& now);
    // Writes the findings younger than a day as of now, replacing the file whole.
    Status save(const QDateTime& now) const;

    const QString& path() const { return m_path; }
    int size() const { return static_cast<int>(m_findings.size()); }
    // The file held something that was not a finding (ignored; rewritten on save).
    bool damaged() const { return m_damaged; }

private:
    struct Finding {
        SuffixProbe::Trust trust = SuffixProbe::Trust::Trusted;
        qint64 when = 0; // seconds since the epoch, UTC
    };
    using Key = std::pair<QString, QString>; // nameserver key, suffix in lower case

    QString m_path;
    std::map<Key, Finding> m_findings;
    bool m_damaged = false;
};

// What findings are kept under: the nameserver as given and the address and port it was resolved
// to, "ns.example 192.0.2.53:53", so that a name now resolving elsewhere is tested afresh.
QString nameserverKey(const QString& nameserver, const QHostAddress& address, quint16 port);

} // namespace nomispot
