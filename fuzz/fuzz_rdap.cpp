// What registries send: an RDAP domain answer, a bootstrap file and text to clean, of any bytes.

#include "fuzz_input.h"
#include "rdap/rdap_bootstrap.h"
#include "rdap/rdap_client.h"
#include "rdap/rdap_record.h"
#include "registry/network_text.h"

#include <QDateTime>
#include <algorithm>

using namespace nomispot;

namespace {

void checkDomain(const QByteArray& bytes) {
    const Result<RegistrationRecord> record = parseRdapDomain(bytes);
    if (!record) {
        FUZZ_CHECK(!record.error().message.isEmpty());
        return;
    }
    const QString words = describeRegistration(*record);
    FUZZ_CHECK(!words.isEmpty());
    if (!record->registrar.isEmpty())
        FUZZ_CHECK(words.contains(record->registrar));
    // Nothing a registry wrote reaches the words raw or without bound.
    for (const QString& line : words.split(u'\n'))
        FUZZ_CHECK(line.size() <= 2 * kNetworkTextLimit);
    if (!record->ldhName.isEmpty())
        FUZZ_CHECK(isRecordOf(*record, record->ldhName));
}

bool isSafe(const QString& text) {
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F) ||
               (c.unicode() >= 0x202A && c.unicode() <= 0x202E);
    });
}

void checkCleaning(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    const qsizetype limit = static_cast<qsizetype>(bytes.size() % 64);
    const QString clean = cleanNetworkText(text, limit);
    FUZZ_CHECK(isSafe(clean) && clean == clean.trimmed());
    FUZZ_CHECK(clean.toUcs4().size() <= limit + 1);
    FUZZ_CHECK(cleanNetworkText(clean, limit + 1) == clean);
    const QString lines = cleanNetworkLines(text, limit + 1);
    for (const QString& line : lines.split(u'\n')) {
        FUZZ_CHECK(line.toUcs4().size() <= limit + 1);
        FUZZ_CHECK(isSafe(QString(line).remove(u'\t')));
    }
}

void checkBootstrap(const QByteArray& bytes, bool allowHttp) {
    const Result<RdapBootstrap> bootstrap = parseRdapBootstrap(bytes, allowHttp);
    if (!bootstrap)
        return;
    for (const auto& [suffix, server] : bootstrap->servers) {
        FUZZ_CHECK(!suffix.isEmpty() && suffix == suffix.toLower());
        FUZZ_CHECK(server.isValid() && !server.host().isEmpty() && server.path().endsWith('/'));
        FUZZ_CHECK(server.scheme() == QLatin1String("https") ||
                   (allowHttp && server.scheme() == QLatin1String("http")));
        // Every suffix finds a server for a name under it.
        FUZZ_CHECK(rdapServerFor(*bootstrap, QStringLiteral("name.") + suffix).has_value());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    checkDomain(bytes);
    checkBootstrap(bytes, size % 2 == 0);
    checkCleaning(bytes);
    const auto delay = retryAfterDelay(bytes, QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    FUZZ_CHECK(!delay || delay->count() >= 0);
    return 0;
}
