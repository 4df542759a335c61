// What registries send: an RDAP domain answer, and a bootstrap file, of any bytes.

#include "fuzz_input.h"
#include "rdap/rdap_bootstrap.h"
#include "rdap/rdap_client.h"
#include "rdap/rdap_record.h"

#include <QDateTime>

using namespace nomispot;

namespace {

void checkDomain(const QByteArray& bytes) {
    const Result<RdapRecord> record = parseRdapDomain(bytes);
    if (!record) {
        FUZZ_CHECK(!record.error().message.isEmpty());
        return;
    }
    const QString words = describeRdapRecord(*record);
    FUZZ_CHECK(!words.isEmpty());
    if (!record->registrar.isEmpty())
        FUZZ_CHECK(words.contains(record->registrar));
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
    const auto delay = retryAfterDelay(bytes, QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC));
    FUZZ_CHECK(!delay || delay->count() >= 0);
    return 0;
}
