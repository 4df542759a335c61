#include "engine/self_test_cache.h"

#include "app_dirs.h"
#include "files/file_access.h"

#include <QByteArrayList>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <optional>

namespace nomispot {

namespace {

constexpr auto kHeader = "nomispot self-test 1";
// A day's findings for a few nameservers are a few hundred lines; anything far larger is not ours.
constexpr qint64 kMostFileBytes = 4 * 1024 * 1024;
constexpr std::size_t kMostFindings = 20000;

const char* trustWord(SuffixProbe::Trust trust) {
    switch (trust) {
    case SuffixProbe::Trust::Trusted:
        return "trusted";
    case SuffixProbe::Trust::SuffixUnknown:
        return "suffix-unknown";
    case SuffixProbe::Trust::MadeUpNamesExist:
        return "made-up-names-exist";
    }
    return "";
}

std::optional<SuffixProbe::Trust> trustOfWord(const QByteArray& word) {
    for (const auto trust : {SuffixProbe::Trust::Trusted, SuffixProbe::Trust::SuffixUnknown,
                             SuffixProbe::Trust::MadeUpNamesExist})
        if (word == trustWord(trust))
            return trust;
    return std::nullopt;
}

// Younger than a day; a time ahead of now (the clock was set back) is not believed.
bool fresh(qint64 when, qint64 now) {
    return when <= now && now - when < kSelfTestMemorySeconds;
}

} // namespace

QString SelfTestCache::defaultPath() {
    const QString dir = userCacheDir();
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/self-test.tsv");
}

SelfTestCache SelfTestCache::load(const QString& path, const QDateTime& now) {
    SelfTestCache cache(path);
    if (path.isEmpty())
        return cache;
    const Result<QByteArray, FileReadError> bytes = readRegularFile(path, kMostFileBytes);
    if (!bytes) {
        cache.m_damaged = !bytes.error().missing;
        return cache;
    }
    const qint64 nowSecs = now.toSecsSinceEpoch();
    const QByteArrayList lines = bytes->split('\n');
    if (lines.value(0) != kHeader) {
        cache.m_damaged = true;
        return cache;
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QByteArrayList fields = lines[i].split('\t');
        bool isNumber = false;
        const qint64 when = fields.value(0).toLongLong(&isNumber);
        const std::optional<SuffixProbe::Trust> trust = trustOfWord(fields.value(3));
        const QString key = QUrl::fromPercentEncoding(fields.value(1));
        const QString suffix = QUrl::fromPercentEncoding(fields.value(2)).toLower();
        if (fields.size() != 4 || !isNumber || !trust || key.isEmpty() || suffix.isEmpty()) {
            cache.m_damaged = true;
            continue;
        }
        if (fresh(when, nowSecs) && cache.m_findings.size() < kMostFindings)
            cache.m_findings[{key, suffix}] = {*trust, when};
    }
    return cache;
}

int SelfTestCache::apply(CheckTable& table, const QString& nameserverKey,
                         const QDateTime& now) const {
    const qint64 nowSecs = now.toSecsSinceEpoch();
    int applied = 0;
    for (SuffixProbe& probe : table.probes()) {
        const auto it = m_findings.find({nameserverKey, probe.suffix.toLower()});
        if (it == m_findings.end() || !fresh(it->second.when, nowSecs))
            continue;
        probe.trust = it->second.trust;
        probe.remembered = true;
        ++applied;
    }
    return applied;
}

int SelfTestCache::record(const CheckTable& table, const QString& nameserverKey,
                          const QDateTime& now) {
    const qint64 nowSecs = now.toSecsSinceEpoch();
    int kept = 0;
    for (const SuffixProbe& probe : table.probes()) {
        if (probe.remembered || !probe.known())
            continue;
        m_findings[{nameserverKey, probe.suffix.toLower()}] = {probe.trust, nowSecs};
        ++kept;
    }
    return kept;
}

Status SelfTestCache::save(const QDateTime& now) const {
    if (m_path.isEmpty())
        return Failure{QStringLiteral("There is no cache folder to keep the self-test in.")};
    const qint64 nowSecs = now.toSecsSinceEpoch();
    QByteArray text = QByteArray(kHeader) + '\n';
    std::size_t written = 0;
    for (const auto& [key, finding] : m_findings) {
        if (!fresh(finding.when, nowSecs) || ++written > kMostFindings)
            continue;
        text += QByteArray::number(finding.when) + '\t' + QUrl::toPercentEncoding(key.first) +
                '\t' + QUrl::toPercentEncoding(key.second) + '\t' + trustWord(finding.trust) + '\n';
    }
    const QString dir = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(dir))
        return Failure{
            QStringLiteral("Cannot make the folder %1").arg(QDir::toNativeSeparators(dir))};
    return writeFileWhole(m_path, text);
}

QString nameserverKey(const QString& nameserver, const QHostAddress& address, quint16 port) {
    QString key = nameserver.trimmed();
    if (!address.isNull()) {
        const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                                 ? u'[' + address.toString() + u']'
                                 : address.toString();
        key += u' ' + host + u':' + QString::number(port);
    }
    return key;
}

} // namespace nomispot
