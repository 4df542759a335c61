#include "engine/query_phase.h"

#include "engine/self_test.h"

#include <algorithm>

namespace nomispot {

QueryPhase::QueryPhase(CheckTable& table, int retries, int progressMax, Hooks hooks,
                       int finalPauseTicks)
    : m_table(table), m_hooks(std::move(hooks)), m_retries(std::max(retries, 0)),
      m_progressMax(progressMax), m_finalPauseTicks(std::max(finalPauseTicks, 1)),
      m_pending(table.count(CheckState::Pending)) {}

bool QueryPhase::isRunning() const {
    return m_stage != Stage::Idle && m_stage != Stage::Finished && m_stage != Stage::Cancelled;
}

void QueryPhase::start() {
    // What each identifier of the run asks about.
    m_queries.clear();
    m_table.forEach([this](int c, int r, const CheckItem& item) {
        if (item.queryId != 0)
            m_queries[item.queryId] = Query{{c, r}};
    });
    for (std::size_t p = 0; p < m_table.probes().size(); ++p) {
        const SuffixProbe& probe = m_table.probes()[p];
        for (const bool madeUp : {false, true})
            if (const std::uint16_t id = madeUp ? probe.madeUpId : probe.suffixId; id != 0)
                m_queries[id] = Query{{}, static_cast<int>(p), madeUp};
    }
    m_tick = false;
    m_answered = 0;
    m_probesSent = 0;
    // Suffixes remembered as untrusted: their candidates are not asked at all.
    for (std::size_t p = 0; p < m_table.probes().size(); ++p)
        if (m_table.probes()[p].trust != SuffixProbe::Trust::Trusted)
            distrust(static_cast<int>(p));
    if (m_retries == 0) {
        m_finalPause = true;
        beginPause(m_finalPauseTicks);
    } else {
        beginPass(m_table.probeQueriesToSend() > 0 ? 0 : 1);
    }
    advance();
}

void QueryPhase::beginPass(int pass) {
    m_pass = pass;
    m_cursor = 0;
    m_passPending = m_pending;
    m_passSent = 0;
    m_stage = Stage::Sending;
}

int QueryPhase::ticksLeft() const {
    const int pass = m_pending + kPassPauseTicks;
    const int wait = m_stage == Stage::WaitAfterSend ? 1 : 0;
    switch (m_stage) {
    case Stage::Idle:
        return m_retries == 0 ? m_finalPauseTicks
                              : m_table.probeQueriesToSend() + m_retries * pass + m_finalPauseTicks;
    case Stage::Sending:
    case Stage::WaitAfterSend:
        if (m_pass == 0)
            return m_table.probeQueriesToSend() - m_probesSent + wait + m_retries * pass +
                   m_finalPauseTicks;
        return std::clamp(m_passPending - m_passSent, 0, m_pending) + wait + kPassPauseTicks +
               (m_retries - m_pass) * pass + m_finalPauseTicks;
    case Stage::Pausing:
        return m_finalPause ? m_pauseLeft
                            : m_pauseLeft + (m_retries - m_pass) * pass + m_finalPauseTicks;
    case Stage::Finished:
    case Stage::Cancelled:
        break;
    }
    return 0;
}

void QueryPhase::tick() {
    if (!isRunning())
        return;
    m_tick = true;
    advance();
}

void QueryPhase::cancel() {
    if (isRunning() || m_stage == Stage::Idle)
        m_stage = Stage::Cancelled;
}

bool QueryPhase::socketError() {
    if (m_socketErrorShown)
        return false;
    m_socketErrorShown = true;
    return true;
}

void QueryPhase::datagram(const QByteArray& bytes) {
    if (!isRunning())
        return;
    const std::optional<Reply> reply = ParseReply(bytes);
    const auto query = reply ? m_queries.find(reply->id) : m_queries.end();
    const bool answers = query != m_queries.end() &&
                         (query->second.probe < 0 ? candidateReply(query->second.cell, *reply)
                                                  : probeReply(query->second, *reply));
    if (!answers)
        ++m_foreign;
}

// Whether reply echoes the candidate's question; it decides only while the candidate waits.
bool QueryPhase::candidateReply(const CheckTable::Cell& cell, const Reply& reply) {
    CheckItem& item = m_table.at(cell.c, cell.r);
    if (!reply.hasQuestion && reply.rcode != kRcodeNoError && reply.rcode != kRcodeNameError) {
        // A refusal or a failure sent without the question (as some resolvers do): never a
        // verdict, but the reason the candidate is asked again.
        if (item.state == CheckState::Pending) {
            item.reason = NotCheckedReason::ServerCode;
            item.rcode = reply.rcode;
        }
        return true;
    }
    if (!reply.isAbout(item.wireName()))
        return false;
    if (item.state != CheckState::Pending)
        return true; // a later copy of an answer already taken
    if (reply.truncated) {
        // Incomplete: asked again over TCP, and in the next pass.
        item.reason = NotCheckedReason::Truncated;
        if (m_hooks.askOverTcp)
            if (const auto query = BuildQuery(item.wireName(), item.queryId))
                m_hooks.askOverTcp(*query);
        return true;
    }
    if (reply.rcode != kRcodeNoError && reply.rcode != kRcodeNameError) {
        // Says nothing about the name: asked again in the next pass.
        item.reason = NotCheckedReason::ServerCode;
        item.rcode = reply.rcode;
        return true;
    }
    // A name that exists is taken, reserved or not, and so is an alias whose target does not
    // exist; one that does not is free unless a reservation keeps it from everyone.
    if (reply.rcode == kRcodeNoError || reply.alias)
        item.state = CheckState::Unavailable;
    else
        item.state = item.ruleReason.isEmpty() ? CheckState::Available : CheckState::NotRegistrable;
    item.alias = reply.alias;
    item.reason = NotCheckedReason::None;
    --m_pending;
    if (m_answered < m_progressMax)
        ++m_answered;
    if (m_hooks.progress)
        m_hooks.progress(m_answered);
    if (m_hooks.cellChanged)
        m_hooks.cellChanged(cell.c, cell.r);
    return true;
}

bool QueryPhase::probeReply(const Query& query, const Reply& reply) {
    SuffixProbe& probe = m_table.probes()[static_cast<std::size_t>(query.probe)];
    const QString& asked = query.madeUp ? probe.madeUpName : probe.suffix;
    if (!reply.isAbout(asked))
        return false;
    if (probe.remembered || probe.trust != SuffixProbe::Trust::Trusted || reply.truncated)
        return true;
    // What is seen for sure, so that a finding is remembered only when both probes gave one.
    if (query.madeUp && reply.rcode == kRcodeNameError)
        probe.madeUpAbsent = true;
    if (!query.madeUp && reply.rcode == kRcodeNoError)
        probe.suffixExists = true;
    probe.trust = probeVerdict(query.madeUp, reply.rcode);
    if (probe.trust != SuffixProbe::Trust::Trusted)
        distrust(query.probe);
    return true;
}

// Whatever the candidates under an untrusted suffix were told, it cannot be believed.
void QueryPhase::distrust(int probe) {
    const NotCheckedReason reason =
        m_table.probes()[static_cast<std::size_t>(probe)].trust == SuffixProbe::Trust::SuffixUnknown
            ? NotCheckedReason::SuffixUnknown
            : NotCheckedReason::MadeUpNamesExist;
    for (int c = 1; c <= m_table.colCount(); ++c)
        for (int r = 1; r <= m_table.nameCount(); ++r) {
            CheckItem& item = m_table.at(c, r);
            if (item.probe != probe)
                continue;
            if (item.state == CheckState::Pending)
                --m_pending;
            item.state = CheckState::NotChecked;
            item.reason = reason;
            if (m_hooks.cellChanged)
                m_hooks.cellChanged(c, r);
        }
}

void QueryPhase::beginPause(int ticks) {
    m_pauseLeft = ticks;
    m_tick = false;
    m_stage = Stage::Pausing;
}

// Runs the phase as far as it can go without a tick that has not come yet.
void QueryPhase::advance() {
    while (isRunning()) {
        switch (m_stage) {
        case Stage::Sending:
            if (!sendNext()) {
                if (!isRunning())
                    return;
                // The self-test runs straight into the first pass.
                if (m_pass == 0)
                    beginPass(1);
                else
                    beginPause(kPassPauseTicks);
            }
            break;
        case Stage::WaitAfterSend:
            if (!m_tick)
                return;
            m_tick = false;
            m_stage = Stage::Sending;
            break;
        case Stage::Pausing:
            if (!m_tick)
                return;
            if (--m_pauseLeft > 0) {
                m_tick = false;
                break;
            }
            // The tick stays set: the next pass's first wait ends at once.
            if (m_finalPause) {
                finish();
            } else if (m_pass < m_retries) {
                beginPass(m_pass + 1);
            } else {
                m_finalPause = true;
                beginPause(m_finalPauseTicks);
            }
            break;
        default:
            return;
        }
    }
}

// Sends the next query of the pass; false when the pass has none left or sending failed.
bool QueryPhase::sendNext() {
    if (m_pass == 0)
        return sendProbe();
    const int total = m_table.candidateCount();
    while (m_cursor < total) {
        // Column by column, as the grid numbers them.
        const int c = m_cursor / m_table.nameCount() + 1;
        const int r = m_cursor % m_table.nameCount() + 1;
        ++m_cursor;
        CheckItem& item = m_table.at(c, r);
        if (item.state != CheckState::Pending)
            continue;
        const auto packet = BuildQuery(item.wireName(), item.queryId);
        if (!packet)
            continue; // not a valid name: never sent
        if (!transmit(*packet))
            return false;
        item.sent = true;
        ++m_passSent;
        return true;
    }
    return false;
}

bool QueryPhase::sendProbe() {
    while (m_cursor < m_table.probeQueryCount()) {
        const int probe = m_cursor / 2;
        const bool madeUp = m_cursor % 2 == 1;
        ++m_cursor;
        const SuffixProbe& p = m_table.probes()[static_cast<std::size_t>(probe)];
        if (p.remembered)
            continue;
        const auto packet =
            BuildQuery(madeUp ? p.madeUpName : p.suffix, madeUp ? p.madeUpId : p.suffixId);
        if (packet) {
            ++m_probesSent;
            return transmit(*packet);
        }
    }
    return false;
}

// Sends packet and waits for the next tick. When sending fails the phase ends as if it had run
// out: what was answered stays, the rest ends not checked.
bool QueryPhase::transmit(const QByteArray& packet) {
    if (m_hooks.send(packet) == SendResult::Failed) {
        if (m_hooks.sendFailed)
            m_hooks.sendFailed();
        finish();
        return false;
    }
    m_stage = Stage::WaitAfterSend;
    return true;
}

void QueryPhase::finish() {
    m_table.markPendingNotChecked();
    m_pending = 0;
    m_stage = Stage::Finished;
    if (m_hooks.finished)
        m_hooks.finished();
}

} // namespace nomispot
