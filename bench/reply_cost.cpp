// Cost of taking in one reply, at a small and at the largest candidate table: the reply is read,
// matched to its pending candidate by identifier and question, and gives its verdict.
#include "engine/dns_message.h"
#include "engine/query_phase.h"

#include <benchmark/benchmark.h>
#include <optional>
#include <vector>

using namespace nomispot;

static void BM_ReplyIntake(benchmark::State& state) {
    const int candidates = static_cast<int>(state.range(0));
    CheckTable table;
    table.reset(8, candidates / 8);
    std::vector<QByteArray> replies;
    for (int c = 1; c <= 8; ++c)
        for (int r = 1; r <= candidates / 8; ++r) {
            CheckItem& item = table.at(c, r);
            item.domain = QStringLiteral("name%1.tld%2").arg(r).arg(c);
            item.queryId = static_cast<std::uint16_t>((c - 1) * (candidates / 8) + r);
            QByteArray reply = *BuildQuery(item.domain, item.queryId);
            reply[2] = '\x81';
            reply[3] = '\x83'; // NXDOMAIN
            replies.push_back(reply);
        }
    QueryPhase::Hooks hooks;
    hooks.send = [](const QByteArray&) { return QueryPhase::SendResult::Sent; };

    std::optional<QueryPhase> phase;
    std::size_t next = replies.size();
    for (auto _ : state) {
        if (next == replies.size()) {
            // Every candidate answered: a fresh run, outside the timing.
            state.PauseTiming();
            for (int c = 1; c <= 8; ++c)
                for (int r = 1; r <= candidates / 8; ++r)
                    table.at(c, r).state = CheckState::Pending;
            phase.emplace(table, 1, candidates + 1, hooks);
            phase->start();
            next = 0;
            state.ResumeTiming();
        }
        phase->datagram(replies[next++]);
    }
}
BENCHMARK(BM_ReplyIntake)->Arg(8)->Arg(2048);

BENCHMARK_MAIN();
