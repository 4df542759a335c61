// Cost of taking in one reply, at a small and at the largest candidate table.
#include "engine/query_phase.h"

#include <benchmark/benchmark.h>

using namespace nomispot;

static void BM_ReplyIntake(benchmark::State& state) {
    const int candidates = static_cast<int>(state.range(0));
    CheckTable table;
    table.reset(8, candidates / 8);
    for (int c = 1; c <= 8; ++c)
        for (int r = 1; r <= candidates / 8; ++r) {
            table.at(c, r).domain = QStringLiteral("name%1.tld%2").arg(r).arg(c);
            table.at(c, r).queryId = static_cast<std::uint16_t>((c - 1) * (candidates / 8) + r);
        }
    QueryPhase::Hooks hooks;
    hooks.send = [](const QByteArray&) { return QueryPhase::SendResult::Sent; };
    QueryPhase phase(table, 1, candidates + 1, hooks);
    phase.start();

    QByteArray reply = QByteArray::fromHex("000081830001000000000000");
    std::uint16_t id = 1;
    for (auto _ : state) {
        reply[0] = static_cast<char>(id >> 8);
        reply[1] = static_cast<char>(id & 0xFF);
        phase.datagram(reply);
        id = static_cast<std::uint16_t>(id % candidates + 1);
    }
}
BENCHMARK(BM_ReplyIntake)->Arg(8)->Arg(2048);

BENCHMARK_MAIN();
