#include "engine/dns_message.h"
#include "engine/query_phase.h"
#include "engine/self_test.h"
#include "results/run_summary.h"

#include <QTest>
#include <functional>

using namespace nomispot;

namespace {

// The answer to the query for name: the query with QR set and rcode.
QByteArray reply(std::uint16_t id, std::uint8_t rcode, const QString& name) {
    QByteArray r = *BuildQuery(name, id);
    r[2] = char(0x81);
    r[3] = char(0x80 | rcode);
    return r;
}

// The answer about the Harness candidate with identifier id.
QByteArray reply(std::uint16_t id, std::uint8_t rcode) {
    return reply(id, rcode, QStringLiteral("n%1.com").arg(id));
}

constexpr std::uint8_t kNoError = 0, kNxDomain = 3, kRefused = 5;

// A run of `candidates` names in one column, driven by hand.
struct Harness {
    Harness(int candidates, int retries, int progressMax = -1) {
        table.reset(1, candidates);
        for (int r = 1; r <= candidates; ++r) {
            table.at(1, r).domain = QStringLiteral("n%1.com").arg(r);
            table.at(1, r).queryId = std::uint16_t(r);
        }
        QueryPhase::Hooks hooks;
        hooks.send = [this](const QByteArray& d) {
            sent << (std::uint8_t(d[0]) << 8 | std::uint8_t(d[1]));
            sentAtTick << ticks;
            if (onSend)
                onSend(sent.last());
            return failSends ? QueryPhase::SendResult::Failed : QueryPhase::SendResult::Sent;
        };
        hooks.finished = [this] { ++finished; };
        hooks.sendFailed = [this] { ++sendFailures; };
        hooks.progress = [this](int a) { progress << a; };
        phase.emplace(table, retries, progressMax < 0 ? candidates + 1 : progressMax, hooks);
    }

    void tick() {
        ++ticks;
        if (beforeTick)
            beforeTick(ticks);
        phase->tick();
    }
    // Ticks until the phase ends; the number of ticks it took.
    int runToEnd(int limit = 100000) {
        while (phase->isRunning() && ticks < limit)
            tick();
        return ticks;
    }
    QList<CheckState> states() const {
        QList<CheckState> s;
        for (int r = 1; r <= table.nameCount(); ++r)
            s << table.at(1, r).state;
        return s;
    }

    CheckTable table;
    std::optional<QueryPhase> phase;
    QList<int> sent;
    QList<int> sentAtTick;
    QList<int> progress;
    int ticks = 0;
    int finished = 0;
    int sendFailures = 0;
    bool failSends = false;
    std::function<void(int id)> onSend;
    std::function<void(int tick)> beforeTick;
};

QList<int> range(int from, int to) {
    QList<int> l;
    for (int i = from; i <= to; ++i)
        l << i;
    return l;
}

} // namespace

class TestQueryPhase : public QObject {
    Q_OBJECT
private slots:
    void progressInWords();
    void nothingAnswers_data();
    void nothingAnswers();
    void promptReplies();
    void answeredNotResent();
    void answeredInFinalPause();
    void replyRule_data();
    void replyRule();
    void replyMatching_data();
    void replyMatching();
    void cancelMidPass();
    void sendErrorOnFirstQuery();
    void sendErrorKeepsAnswers();
    void refusedStaysPending();
    void unencodableNameNeverSent();
    void ticksWhileSendingAreNotCounted();
    void untrustedSuffixNotSent_data();
    void untrustedSuffixNotSent();
};

void TestQueryPhase::nothingAnswers_data() {
    QTest::addColumn<int>("candidates");
    QTest::addColumn<int>("retries");
    QTest::addColumn<int>("ticks");
    // Pass 1: one tick per send and 3 to pause; later passes start on the pause's last tick, so
    // their first two queries leave together; then 10 to end.
    QTest::newRow("32 x 3") << 32 << 3 << (32 + 3) + 2 * (31 + 3) + 10;
    QTest::newRow("one candidate, one pass") << 1 << 1 << 1 + 3 + 10;
    QTest::newRow("no retries") << 5 << 0 << 10;
    QTest::newRow("no candidates") << 0 << 2 << 3 + 3 + 10;
}

void TestQueryPhase::nothingAnswers() {
    QFETCH(int, candidates);
    QFETCH(int, retries);
    QFETCH(int, ticks);

    Harness h(candidates, retries);
    h.phase->start();
    // The first query leaves at once, before any tick.
    if (candidates > 0 && retries > 0)
        QCOMPARE(h.sent, QList<int>{1});
    QCOMPARE(h.runToEnd(), ticks);
    QCOMPARE(h.finished, 1);

    QList<int> expected;
    for (int pass = 0; pass < retries; ++pass)
        expected += range(1, candidates);
    QCOMPARE(h.sent, expected);
    QCOMPARE(h.states(), QList<CheckState>(candidates, CheckState::NotChecked));
    // Ticks after the end change nothing.
    h.tick();
    QCOMPARE(h.sent.size(), expected.size());
    QCOMPARE(h.finished, 1);
}

void TestQueryPhase::promptReplies() {
    Harness h(8, 1);
    // Every reply arrives before the next tick: odd names free, even ones taken.
    h.beforeTick = [&h](int) {
        if (!h.sent.isEmpty() && h.table.at(1, h.sent.last()).state == CheckState::Pending)
            h.phase->datagram(
                reply(std::uint16_t(h.sent.last()), h.sent.last() % 2 ? kNxDomain : kNoError));
    };
    h.phase->start();
    QCOMPARE(h.runToEnd(), 8 + 3 + 10);
    QCOMPARE(h.sent, range(1, 8));
    for (int r = 1; r <= 8; ++r)
        QCOMPARE(h.table.at(1, r).state, r % 2 ? CheckState::Available : CheckState::Unavailable);
    QCOMPARE(h.phase->answered(), 8);
    QCOMPARE(h.progress, range(1, 8));
}

void TestQueryPhase::answeredNotResent() {
    Harness h(4, 3);
    h.phase->start();
    for (int i = 0; i < 3; ++i)
        h.tick();
    QCOMPARE(h.sent, range(1, 4));
    h.phase->datagram(reply(1, kNxDomain));
    h.phase->datagram(reply(3, kNoError));
    h.runToEnd();
    QCOMPARE(h.sent, QList<int>({1, 2, 3, 4, 2, 4, 2, 4}));
    QCOMPARE(h.states(), QList<CheckState>({CheckState::Available, CheckState::NotChecked,
                                            CheckState::Unavailable, CheckState::NotChecked}));
}

void TestQueryPhase::answeredInFinalPause() {
    Harness h(2, 1);
    h.beforeTick = [&h](int tick) {
        // The last tick of the final pause: 2 sends + 3 + 10.
        if (tick == 15)
            h.phase->datagram(reply(2, kNoError));
    };
    h.phase->start();
    QCOMPARE(h.runToEnd(), 15);
    QCOMPARE(h.states(), QList<CheckState>({CheckState::NotChecked, CheckState::Unavailable}));
}

void TestQueryPhase::replyRule_data() {
    QTest::addColumn<int>("rcode");
    QTest::addColumn<int>("state");
    for (int rcode = 0; rcode < 16; ++rcode)
        QTest::addRow("rcode %d", rcode) << rcode
                                         << int(rcode == 0   ? CheckState::Unavailable
                                                : rcode == 3 ? CheckState::Available
                                                             : CheckState::NotChecked);
}

// Only NOERROR and NXDOMAIN are verdicts; any other code is asked again and ends not checked,
// with the code as the reason.
void TestQueryPhase::replyRule() {
    QFETCH(int, rcode);
    QFETCH(int, state);

    Harness h(1, 3);
    h.onSend = [&h, rcode](int id) {
        h.phase->datagram(reply(std::uint16_t(id), std::uint8_t(rcode)));
    };
    h.phase->start();
    h.runToEnd();
    const CheckItem& item = h.table.at(1, 1);
    QCOMPARE(int(item.state), state);
    const bool verdict = item.state != CheckState::NotChecked;
    QCOMPARE(h.sent.size(), verdict ? 1 : 3);
    QCOMPARE(h.phase->answered(), verdict ? 1 : 0);
    QCOMPARE(item.reason, verdict ? NotCheckedReason::None : NotCheckedReason::ServerCode);
    if (!verdict)
        QCOMPARE(int(item.rcode), rcode);
}

void TestQueryPhase::replyMatching_data() {
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("answered");
    QTest::addColumn<int>("progressMax");

    const int pending = int(CheckState::Pending);
    QTest::newRow("unknown identifier")
        << QList<QByteArray>{reply(99, kNxDomain), reply(0, kNxDomain)} << pending << 0 << 4;
    QTest::newRow("first verdict stays")
        << QList<QByteArray>{reply(2, kNoError), reply(2, kNxDomain)}
        << int(CheckState::Unavailable) << 1 << 4;
    QTest::newRow("refused, then nxdomain")
        << QList<QByteArray>{reply(2, kRefused), reply(2, kNxDomain)} << int(CheckState::Available)
        << 1 << 4;
    QTest::newRow("answered stops at the bar's maximum")
        << QList<QByteArray>{reply(1, kNxDomain), reply(2, kNxDomain), reply(3, kNxDomain)}
        << int(CheckState::Available) << 2 << 2;
    QTest::newRow("short datagrams dropped")
        << QList<QByteArray>{QByteArray(), reply(2, kNxDomain).left(3)} << pending << 0 << 4;
    QTest::newRow("id 32768 matches nothing")
        << QList<QByteArray>{reply(32768, kNxDomain)} << pending << 0 << 4;
    QByteArray query = reply(2, kNxDomain);
    query[2] = char(0x01);
    QTest::newRow("qr clear") << QList<QByteArray>{query} << pending << 0 << 4;
    QTest::newRow("question about another name")
        << QList<QByteArray>{reply(2, kNxDomain, QStringLiteral("n3.com")),
                             reply(2, kNoError, QStringLiteral("n2.org"))}
        << pending << 0 << 4;
    QTest::newRow("question in other case")
        << QList<QByteArray>{reply(2, kNxDomain, "N2.COM")} << int(CheckState::Available) << 1 << 4;
    // Forged: what anyone who reaches the port could send without seeing the query.
    const QByteArray bareHeader("\x00\x02\x81\x83\x00\x00\x00\x00\x00\x00\x00\x00", 12);
    QTest::newRow("bare header, nxdomain") << QList<QByteArray>{bareHeader} << pending << 0 << 4;
    QTest::newRow("4 bytes, nxdomain")
        << QList<QByteArray>{bareHeader.left(4)} << pending << 0 << 4;
    QByteArray typeA = reply(2, kNxDomain);
    typeA[typeA.size() - 3] = 1;
    QTest::newRow("question of another type") << QList<QByteArray>{typeA} << pending << 0 << 4;
    QByteArray truncated = reply(2, kNxDomain);
    truncated[2] = char(0x83); // TC
    QTest::newRow("truncated") << QList<QByteArray>{truncated} << pending << 0 << 4;
    // An alias whose target does not exist: the name exists.
    QByteArray alias =
        reply(2, kNxDomain) + QByteArray("\xc0\x0c\x00\x05\x00\x01\x00\x00\x00\x3c\x00\x04"
                                         "\x01x\xc0\x0f",
                                         16);
    alias[7] = 1; // ANCOUNT
    QTest::newRow("dangling alias")
        << QList<QByteArray>{alias} << int(CheckState::Unavailable) << 1 << 4;
}

void TestQueryPhase::replyMatching() {
    QFETCH(QList<QByteArray>, replies);
    QFETCH(int, state);
    QFETCH(int, answered);
    QFETCH(int, progressMax);

    Harness h(3, 1, progressMax);
    h.phase->start();
    for (const QByteArray& r : replies)
        h.phase->datagram(r);
    QCOMPARE(int(h.table.at(1, 2).state), state);
    QCOMPARE(h.phase->answered(), answered);
    // What decides nothing and is no echo of a question is counted as foreign.
    if (state == int(CheckState::Pending) && h.table.at(1, 2).reason == NotCheckedReason::None)
        QCOMPARE(h.phase->foreignDatagrams(), replies.size());
    // Nothing reaches a candidate but its own answer.
    if (progressMax > 2)
        QCOMPARE(h.table.at(1, 3).state, CheckState::Pending);
}

void TestQueryPhase::cancelMidPass() {
    Harness h(10, 3);
    h.phase->start();
    for (int i = 0; i < 4; ++i)
        h.tick();
    QCOMPARE(h.sent, range(1, 5));
    h.phase->datagram(reply(2, kNxDomain));
    h.phase->cancel();
    QCOMPARE(h.phase->stage(), QueryPhase::Stage::Cancelled);
    for (int i = 0; i < 200; ++i)
        h.tick();
    h.phase->datagram(reply(3, kNxDomain));
    QCOMPARE(h.sent, range(1, 5));
    QCOMPARE(h.finished, 0);
    // States stay as they were: no final marking after a cancel.
    QCOMPARE(h.table.at(1, 2).state, CheckState::Available);
    QCOMPARE(h.table.at(1, 3).state, CheckState::Pending);
}

void TestQueryPhase::sendErrorOnFirstQuery() {
    Harness h(5, 3);
    h.failSends = true;
    h.phase->start();
    QCOMPARE(h.sent, QList<int>{1});
    QCOMPARE(h.sendFailures, 1);
    // The run is over, as if it had run out: nothing was sent, nothing is pending.
    QCOMPARE(h.finished, 1);
    QCOMPARE(h.phase->stage(), QueryPhase::Stage::Finished);
    QCOMPARE(h.states(), QList<CheckState>(5, CheckState::NotChecked));
    QCOMPARE(h.table.at(1, 1).reason, NotCheckedReason::NotSent);
    for (int i = 0; i < 50; ++i)
        h.tick();
    QCOMPARE(h.sent.size(), 1);
    QCOMPARE(h.sendFailures, 1);
    QCOMPARE(h.finished, 1);
}

void TestQueryPhase::sendErrorKeepsAnswers() {
    Harness h(4, 2);
    h.onSend = [&h](int id) {
        if (id == 1)
            h.phase->datagram(reply(1, kNoError));
        h.failSends = id == 3;
    };
    h.phase->start();
    h.runToEnd();
    QCOMPARE(h.sent, QList<int>({1, 2, 3}));
    QCOMPARE(h.finished, 1);
    QCOMPARE(h.states(), QList<CheckState>({CheckState::Unavailable, CheckState::NotChecked,
                                            CheckState::NotChecked, CheckState::NotChecked}));
    QCOMPARE(h.table.at(1, 2).reason, NotCheckedReason::NoAnswer);
    QCOMPARE(h.table.at(1, 4).reason, NotCheckedReason::NotSent);
}

void TestQueryPhase::refusedStaysPending() {
    Harness h(2, 2);
    h.onSend = [&h](int id) {
        if (id == 1)
            h.phase->datagram(reply(1, kRefused));
    };
    h.phase->start();
    h.runToEnd();
    // Asked again in the next pass, never judged.
    QCOMPARE(h.sent, QList<int>({1, 2, 1, 2}));
    QCOMPARE(h.states(), QList<CheckState>(2, CheckState::NotChecked));
    QCOMPARE(h.phase->answered(), 0);
}

void TestQueryPhase::unencodableNameNeverSent() {
    Harness h(3, 2);
    h.table.at(1, 2).domain = QString(64, u'x') + QStringLiteral(".com");
    h.phase->start();
    h.runToEnd();
    QCOMPARE(h.sent, QList<int>({1, 3, 1, 3}));
    QCOMPARE(h.table.at(1, 2).state, CheckState::NotChecked);
}

void TestQueryPhase::ticksWhileSendingAreNotCounted() {
    // Sends are spaced one tick apart in pass 1: the n-th query leaves on tick n - 1.
    Harness h(6, 2);
    h.phase->start();
    h.runToEnd();
    QCOMPARE(h.sentAtTick.mid(0, 6), range(0, 5));
    // After the 3-tick pause the first two queries of pass 2 leave on the same tick.
    QCOMPARE(h.sentAtTick.mid(6, 3), QList<int>({9, 9, 10}));
}

// The self-test first, then answers, share and the longest time left.
void TestQueryPhase::progressInWords() {
    CheckTable table;
    table.reset(1, 1);
    table.at(1, 1).domain = QStringLiteral("a.com");
    table.at(1, 1).queryId = 1;
    addSelfTest(table);
    QueryPhase::Hooks hooks;
    hooks.send = [](const QByteArray&) { return QueryPhase::SendResult::Sent; };
    QueryPhase probing(table, 1, 2, hooks);
    probing.start();
    QVERIFY(progressText(table, probing, 5).startsWith(QStringLiteral("Testing the nameserver: ")));
    QVERIFY(progressText(table, probing, 5).endsWith(QStringLiteral(" of 2")));

    Harness h(4, 1);
    h.phase->start();
    h.tick();
    QCOMPARE(progressText(h.table, *h.phase, 1000),
             QStringLiteral("0 of 4 (0 %), at most %1 s left").arg(h.phase->ticksLeft()));
    QCOMPARE(progressText(h.table, *h.phase, 60000),
             QStringLiteral("0 of 4 (0 %), at most %1 min left").arg(h.phase->ticksLeft()));
    h.runToEnd();
    QCOMPARE(progressText(h.table, *h.phase, 1000),
             QStringLiteral("4 of 4 (100 %), at most 0 s left"));
}

void TestQueryPhase::untrustedSuffixNotSent_data() {
    QTest::addColumn<bool>("remembered");
    QTest::addColumn<int>("trust");
    QTest::addColumn<int>("verdictAfter"); // candidate queries sent when the probe's answer comes
    QTest::addColumn<int>("probesSent");
    QTest::addColumn<int>("candidatesSent");

    const int unknown = int(SuffixProbe::Trust::SuffixUnknown);
    const int madeUp = int(SuffixProbe::Trust::MadeUpNamesExist);
    const int trusted = int(SuffixProbe::Trust::Trusted);
    QTest::newRow("remembered unknown: nothing sent") << true << unknown << 0 << 0 << 0;
    QTest::newRow("remembered made-up names: nothing sent") << true << madeUp << 0 << 0 << 0;
    // The first candidate is answered; the other two are asked in each of the three passes.
    QTest::newRow("remembered trusted: candidates only") << true << trusted << 0 << 0 << 7;
    QTest::newRow("answered during the self-test") << false << unknown << 0 << 2 << 0;
    QTest::newRow("answered after two candidates went") << false << madeUp << 2 << 2 << 2;
    QTest::newRow("answered after the first pass") << false << unknown << 3 << 2 << 3;
}

// Candidates under a suffix known to be untrusted are not sent again, whether the finding is
// remembered or comes during the run; those already sent end with the suffix's reason too.
void TestQueryPhase::untrustedSuffixNotSent() {
    QFETCH(bool, remembered);
    QFETCH(int, trust);
    QFETCH(int, verdictAfter);
    QFETCH(int, probesSent);
    QFETCH(int, candidatesSent);

    Harness h(3, 3);
    addSelfTest(h.table);
    QCOMPARE(h.table.probes().size(), std::size_t(1));
    SuffixProbe& probe = h.table.probes()[0];
    const auto verdict = SuffixProbe::Trust(trust);
    if (remembered) {
        probe.trust = verdict;
        probe.remembered = true;
    }
    probe.suffixId = 4;
    probe.madeUpId = 5;
    const std::uint16_t suffixId = probe.suffixId;
    const std::uint16_t madeUpId = probe.madeUpId;
    int candidateQueries = 0;
    bool told = false;
    const auto tell = [&] {
        told = true;
        if (verdict == SuffixProbe::Trust::SuffixUnknown)
            h.phase->datagram(reply(suffixId, kNxDomain, probe.suffix));
        else
            h.phase->datagram(reply(madeUpId, kNoError, probe.madeUpName));
    };
    h.onSend = [&](int id) {
        if (id <= 3)
            ++candidateQueries;
        // The first candidate is answered at once: its verdict is overridden all the same.
        if (id == 1)
            h.phase->datagram(reply(1, kNxDomain));
    };
    h.beforeTick = [&](int) {
        if (!remembered && !told && h.sent.size() >= 2 && candidateQueries >= verdictAfter)
            tell();
    };
    h.phase->start();
    // Remembered untrusted: nothing is left to ask from the start.
    if (remembered && verdict != SuffixProbe::Trust::Trusted)
        QCOMPARE(h.phase->pending(), 0);
    h.runToEnd();

    QCOMPARE(int(h.sent.size()) - candidateQueries, probesSent);
    QCOMPARE(h.phase->probesSent(), probesSent);
    QCOMPARE(candidateQueries, candidatesSent);
    const NotCheckedReason reason = verdict == SuffixProbe::Trust::SuffixUnknown
                                        ? NotCheckedReason::SuffixUnknown
                                        : NotCheckedReason::MadeUpNamesExist;
    for (int r = 1; r <= 3; ++r) {
        const CheckItem& item = h.table.at(1, r);
        if (verdict == SuffixProbe::Trust::Trusted) {
            QCOMPARE(item.state, r == 1 ? CheckState::Available : CheckState::NotChecked);
            QCOMPARE(item.reason, r == 1 ? NotCheckedReason::None : NotCheckedReason::NoAnswer);
        } else {
            QCOMPARE(item.state, CheckState::NotChecked);
            QCOMPARE(item.reason, reason);
        }
    }
}

QTEST_GUILESS_MAIN(TestQueryPhase)
#include "tst_query_phase.moc"
