// Runs real checks against NSD on loopback and prints the pacing figures:
// gaps between consecutive sends relative to the delay, and run time relative to its schedule.
#include "engine/query_runner.h"
#include "engine/run_plan.h"
#include "nsd_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace nomispot;

namespace {

struct Figures {
    double medianGap = 0, p99Gap = 0, maxGap = 0, runRatio = 0;
    int sends = 0, answered = 0;
};

Figures runOnce(int candidates, int delayMs, int retries) {
    CheckTable table;
    table.reset(1, candidates);
    for (int r = 1; r <= candidates; ++r) {
        // Half the names exist, so both verdicts come back.
        table.at(1, r).domain =
            r % 2 ? QStringLiteral("free%1.com").arg(r) : QStringLiteral("taken.com");
        table.at(1, r).queryId = static_cast<std::uint16_t>(r);
    }
    QueryRunner runner;
    if (!runner.initNetwork(QStringLiteral("127.53.0.6"))) {
        std::fprintf(stderr, "network set-up failed\n");
        std::exit(1);
    }
    std::vector<qint64> sentAt;
    sentAt.reserve(static_cast<std::size_t>(candidates * retries));
    QElapsedTimer clock;
    QObject::connect(&runner, &QueryRunner::querySent,
                     [&] { sentAt.push_back(clock.nsecsElapsed()); });
    bool done = false;
    QObject::connect(&runner, &QueryRunner::finished, [&] { done = true; });
    clock.start();
    runner.start(table, delayMs, retries, candidates + 1);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double elapsedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;

    std::vector<double> gaps;
    for (std::size_t i = 1; i < sentAt.size(); ++i)
        gaps.push_back(static_cast<double>(sentAt[i] - sentAt[i - 1]) / 1e6 / delayMs);
    std::sort(gaps.begin(), gaps.end());
    Figures f;
    f.sends = static_cast<int>(sentAt.size());
    f.answered = runner.answered();
    if (!gaps.empty()) {
        f.medianGap = gaps[gaps.size() / 2];
        f.p99Gap = gaps[std::min(gaps.size() - 1, gaps.size() * 99 / 100)];
        f.maxGap = gaps.back();
    }
    // One pass: a tick after each send, a 3-tick pause, then 10 ticks; counted from the timer's
    // start. Later passes would start on their pause's last tick.
    const double scheduleTicks = f.sends + 3.0 * retries + 10 - (retries - 1);
    f.runRatio = elapsedMs / (scheduleTicks * delayMs);
    return f;
}

// Run time of "taken free" under the default search set, with or without the self-test.
double planRunMs(int delayMs, bool selfTest) {
    RunRequest request{QStringLiteral("taken free")};
    request.selfTest = selfTest;
    CheckTable table = planRun(request, TldCatalogue{})->candidates;
    QueryRunner runner;
    if (!runner.initNetwork(QStringLiteral("127.53.0.6"))) {
        std::fprintf(stderr, "network set-up failed\n");
        std::exit(1);
    }
    bool done = false;
    QObject::connect(&runner, &QueryRunner::finished, [&] { done = true; });
    QElapsedTimer clock;
    clock.start();
    runner.start(table, delayMs, 1, table.candidateCount() + 1);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QMap<QString, QString> zones{{QStringLiteral("com"), QStringLiteral("taken A 192.0.2.1\n")}};
    test::NsdServer nsd(QStringLiteral("127.53.0.6"), zones);
    if (!nsd.start()) {
        std::fprintf(stderr, "cannot start NSD: %s\n", qPrintable(nsd.skipReason()));
        return 1;
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    struct Case {
        int candidates, delayMs;
    };
    const Case cases[] = {{2048, 5}, {256, 20}, {256, 50}};
    std::printf("%-10s %6s %8s %8s %8s %8s %10s %8s\n", "candidates", "delay", "median", "p99",
                "max", "run", "sends", "answered");
    for (const Case& c : cases)
        for (int i = 0; i < rounds; ++i) {
            const Figures f = runOnce(c.candidates, c.delayMs, 1);
            std::printf("%-10d %4dms %8.3f %8.3f %8.3f %8.4f %10d %8d\n", c.candidates, c.delayMs,
                        f.medianGap, f.p99Gap, f.maxGap, f.runRatio, f.sends, f.answered);
            std::fflush(stdout);
        }

    // What the self-test adds: two probes per suffix, 16 ticks for the eight default TLDs.
    std::printf("\n%-28s %6s %10s %10s %12s\n", "self-test, default list", "delay", "with",
                "without", "added ticks");
    for (int i = 0; i < rounds; ++i) {
        const int delayMs = 20;
        const double with = planRunMs(delayMs, true);
        const double without = planRunMs(delayMs, false);
        std::printf("%-28s %4dms %8.1fms %8.1fms %12.2f\n", "taken free", delayMs, with, without,
                    (with - without) / delayMs);
        std::fflush(stdout);
    }
    return 0;
}
