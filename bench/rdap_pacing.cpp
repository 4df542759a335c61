// Confirms free names at two loopback RDAP registries with the default politeness and prints,
// per host, the shortest gap between two questions (it must not be under the interval, 1 s) and
// how long the whole confirmation took against its floor ((names per host - 1) x interval).
#include "rdap_server.h"
#include "registry/registry_confirmation.h"
#include "run/registries.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

using namespace nomispot;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int perHost = argc > 1 ? std::max(2, std::atoi(argv[1])) : 8;

    test::RdapServer first(QStringLiteral("127.0.0.67"), {});
    test::RdapServer second(QStringLiteral("127.0.0.68"), {});
    if (!first.start() || !second.start()) {
        std::fprintf(stderr, "RDAP servers did not start: %s%s\n", qPrintable(first.skipReason()),
                     qPrintable(second.skipReason()));
        return 1;
    }
    RdapBootstrap bootstrap;
    bootstrap.servers.emplace(QStringLiteral("one"), QUrl(first.baseUrl()));
    bootstrap.servers.emplace(QStringLiteral("two"), QUrl(second.baseUrl()));

    CheckTable table;
    table.reset(2, perHost);
    for (int r = 1; r <= perHost; ++r) {
        table.at(1, r) = {QStringLiteral("free%1.one").arg(r), QStringLiteral("one"),
                          CheckState::Available};
        table.at(2, r) = {QStringLiteral("free%1.two").arg(r), QStringLiteral("two"),
                          CheckState::Available};
    }
    const std::unique_ptr<RegistryClient> client = makeRegistryClient({bootstrap, {}});
    RegistryConfirmation confirmation(table, *client);
    QElapsedTimer clock;
    QObject::connect(&confirmation, &RegistryConfirmation::finished, &app, &QCoreApplication::quit);
    clock.start();
    confirmation.start();
    QCoreApplication::exec();
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;

    std::printf("%d names on each of 2 hosts, interval 1 s\n", perHost);
    for (const test::RdapServer* server : {&first, &second}) {
        const std::vector<test::RdapServer::Request> requests = server->requests();
        double shortest = 1e9;
        for (std::size_t i = 1; i < requests.size(); ++i)
            shortest = std::min(shortest, requests[i].seconds - requests[i - 1].seconds);
        std::printf("  %s: %zu questions, shortest gap %.3f s\n", qPrintable(server->baseUrl()),
                    requests.size(), shortest);
    }
    std::printf("  whole confirmation %.2f s, floor %d s (hosts in parallel)\n", seconds,
                perHost - 1);
    return confirmation.answeredCount() == 2 * perHost ? 0 : 1;
}
