#pragma once

#include "engine/check_table.h"
#include "engine/dns_message.h"

#include <QByteArray>
#include <functional>
#include <unordered_map>

namespace nomispot {

// The paced query phase of a run, one entry point per event. First sends the self-test probes of
// the table (none for a remembered suffix), then one query per pending candidate per pass,
// waiting for a tick after each send; pauses after each pass and at the end; what is still
// pending then becomes NotChecked. Candidates under a suffix known to be untrusted, remembered or
// found during the run, end NotChecked with that reason and are not sent.
//
// Only NOERROR (taken) and NXDOMAIN (free) are verdicts, and a name that exists as an alias
// (CNAME) is taken. Any other code leaves the candidate pending, to be asked again; a truncated
// answer too, and its question goes again over TCP at once. A reply counts only when its identifier
// is one of the run's and it echoes that query's question; anything else is a foreign datagram,
// counted and ignored.
class QueryPhase {
public:
    static constexpr int kPassPauseTicks = 3;
    static constexpr int kFinalPauseTicks = 10;

    enum class SendResult { Sent, Failed };

    struct Hooks {
        std::function<SendResult(const QByteArray& datagram)> send;
        std::function<void(int c, int r)> cellChanged; // the candidate's state changed
        std::function<void(int answered)> progress;
        std::function<void()> finished;   // the phase ended; every candidate has its final state
        std::function<void()> sendFailed; // sending failed: the phase ends at once, finished next
        // A truncated answer came: the query is asked again over TCP, its answer handed to
        // datagram() like any other.
        std::function<void(const QByteArray& query)> askOverTcp;
    };

    enum class Stage { Idle, Sending, WaitAfterSend, Pausing, Finished, Cancelled };

    // progressMax: the progress bar's maximum, which answered never passes. finalPauseTicks: how
    // long the last answers are waited for.
    QueryPhase(CheckTable& table, int retries, int progressMax, Hooks hooks,
               int finalPauseTicks = kFinalPauseTicks);

    void start();
    void tick();
    void datagram(const QByteArray& bytes);
    void cancel();
    // True the first time in a run: the caller shows its socket error message once.
    bool socketError();

    Stage stage() const { return m_stage; }
    bool isRunning() const;
    int answered() const { return m_answered; }
    // 0 while the self-test probes go out, then 1 to retries.
    int pass() const { return m_pass; }
    // Self-test probes sent so far (all of them once the first pass has begun); remembered
    // suffixes get none.
    int probesSent() const { return m_pass == 0 ? m_probesSent : m_table.probeQueriesToSend(); }
    // Candidates still without a verdict.
    int pending() const { return m_pending; }
    // Datagrams that answered none of the run's queries: unreadable, an identifier the run did
    // not use, or a question other than the one asked.
    int foreignDatagrams() const { return m_foreign; }
    // Ticks the phase still needs if nothing more is answered: the probes not yet sent, the rest
    // of this pass and its pause, a pass for what is pending in each later one, and the final
    // pause.
    int ticksLeft() const;

private:
    void advance();
    bool sendNext();
    bool sendProbe();
    bool transmit(const QByteArray& packet);
    void beginPass(int pass);
    void beginPause(int ticks);
    void finish();
    // What an identifier asks about: a candidate, or one of a probe's two queries.
    struct Query {
        CheckTable::Cell cell;
        int probe = -1;
        bool madeUp = false;
    };
    bool candidateReply(const CheckTable::Cell& cell, const Reply& reply);
    bool probeReply(const Query& query, const Reply& reply);
    void distrust(int probe);

    CheckTable& m_table;
    Hooks m_hooks;
    int m_retries;
    int m_progressMax;
    int m_finalPauseTicks;

    Stage m_stage = Stage::Idle;
    bool m_tick = false;
    int m_pass = 0;
    int m_cursor = 0; // next candidate (or probe query) index of the pass, in identifier order
    int m_probesSent = 0;
    int m_pauseLeft = 0; // ticks still to wait in the current pause
    bool m_finalPause = false;
    int m_answered = 0;
    int m_pending = 0;
    int m_passPending = 0; // pending when the pass began
    int m_passSent = 0;
    bool m_socketErrorShown = false;
    int m_foreign = 0;
    std::unordered_map<std::uint16_t, Query> m_queries; // by identifier
};

} // namespace nomispot
