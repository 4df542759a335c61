// Asks two loopback WHOIS servers about a few names each with the default politeness and prints,
// per host, the shortest gap from one answer's end to the next question (it must not be under the
// interval, 2 s) and how long it all took against its floor ((names per host - 1) x interval):
// near the floor, not twice it, when the hosts are asked side by side.
#include "whois/whois_client.h"
#include "whois_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

using namespace nomispot;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int perHost = argc > 1 ? std::max(2, std::atoi(argv[1])) : 4;

    test::LoopbackWhois first(QStringLiteral("127.0.0.84"), {});
    test::LoopbackWhois second(QStringLiteral("127.0.0.85"), {});
    if (!first.start() || !second.start()) {
        std::fprintf(stderr, "WHOIS servers did not start: %s%s\n", qPrintable(first.skipReason()),
                     qPrintable(second.skipReason()));
        return 1;
    }
    WhoisDirectory directory;
    directory.servers.emplace(QStringLiteral("one"),
                              WhoisServer{QStringLiteral("one"), first.address(), 43, {}});
    directory.servers.emplace(QStringLiteral("two"),
                              WhoisServer{QStringLiteral("two"), second.address(), 43, {}});
    const WhoisPolicy policy;
    WhoisClient client(directory, policy);
    int answers = 0;
    QObject::connect(&client, &WhoisClient::answered, [&answers] { ++answers; });
    QObject::connect(&client, &WhoisClient::idle, &app, &QCoreApplication::quit);
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= perHost; ++i) {
        client.lookUp(i, QStringLiteral("free%1.one").arg(i));
        client.lookUp(100 + i, QStringLiteral("free%1.two").arg(i));
    }
    QCoreApplication::exec();
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;

    const double interval = static_cast<double>(policy.interval.count()) / 1000.0;
    std::printf("%d names on each of 2 hosts, interval %.0f s\n", perHost, interval);
    for (const test::LoopbackWhois* server : {&first, &second}) {
        const std::vector<test::LoopbackWhois::Event> events = server->events();
        double shortest = 1e9;
        int questions = 0;
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i].done)
                continue;
            ++questions;
            if (i > 0 && events[i - 1].done)
                shortest = std::min(shortest, events[i].seconds - events[i - 1].seconds);
        }
        std::printf("  %s: %d questions, shortest gap from an answer to the next question %.3f s\n",
                    qPrintable(server->address()), questions, shortest);
    }
    std::printf("  all answers in %.2f s, floor %.0f s (hosts in parallel; one after the other "
                "would take over %.0f s)\n",
                seconds, (perHost - 1) * interval, 2 * (perHost - 1) * interval);
    return answers == 2 * perHost ? 0 : 1;
}
