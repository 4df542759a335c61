#include "engine/query_phase.h"

#include "engine/dns_message.h"

#include <algorithm>

namespace nomispot {

namespace {

int countPending(const CheckTable& table) {
    int pending = 0;
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r)
            if (table.at(c, r).state == CheckState::Pending)
                ++pending;
    return pending;
}

} // namespace

QueryPhase::QueryPhase(CheckTable& table, int retries, int progressMax, Hooks hooks)
    : m_table(table), m_hooks(std::move(hooks)), m_retries(std::max(retries, 0)),
      m_progressMax(progressMax), m_pending(countPending(table)) {}

bool QueryPhase::isRunning() const {
    return m_stage != Stage::Idle && m_stage != Stage::Finished && m_stage != Stage::Cancelled;
}

void QueryPhase::start() {
    m_tick = false;
    m_answered = 0;
    m_pass = 0;
    if (m_retries == 0) {
        m_finalPause = true;
        beginPause(kFinalPauseTicks);
    } else {
        beginPass(1);
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
    const int laterPasses = std::max(0, m_retries - std::max(m_pass, 1));
    const int later = laterPasses * (m_pending + kPassPauseTicks) + kFinalPauseTicks;
    switch (m_stage) {
    case Stage::Idle:
        return m_retries == 0 ? kFinalPauseTicks : m_pending + kPassPauseTicks + later;
    case Stage::Sending:
    case Stage::WaitAfterSend: {
        const int unsent = std::clamp(m_passPending - m_passSent, 0, m_pending);
        return unsent + (m_stage == Stage::WaitAfterSend ? 1 : 0) + kPassPauseTicks + later;
    }
    case Stage::Pausing:
        return m_finalPause ? m_pauseLeft : m_pauseLeft + later;
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
    const auto verdict = ParseReply(bytes);
    if (!verdict || verdict->declined)
        return;
    const auto cell = m_table.cellOfId(verdict->id);
    if (!cell)
        return;
    CheckState& state = m_table.at(cell->c, cell->r).state;
    if (state == CheckState::Pending)
        --m_pending;
    state = verdict->unavailable ? CheckState::Unavailable : CheckState::Available;
    if (m_answered < m_progressMax)
        ++m_answered;
    if (m_hooks.progress)
        m_hooks.progress(m_answered);
    if (m_hooks.cellChanged)
        m_hooks.cellChanged(cell->c, cell->r);
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
                if (m_stage == Stage::Cancelled)
                    return;
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
                beginPause(kFinalPauseTicks);
            }
            break;
        default:
            return;
        }
    }
}

// Sends the next pending candidate's query; false when the pass has none left.
bool QueryPhase::sendNext() {
    const int total = m_table.candidateCount();
    while (m_cursor < total) {
        const CheckTable::Cell cell = *m_table.cellOfId(static_cast<std::uint16_t>(m_cursor + 1));
        ++m_cursor;
        const CheckItem& item = m_table.at(cell.c, cell.r);
        if (item.state != CheckState::Pending)
            continue;
        const auto packet = BuildQuery(item.domain, item.queryId);
        if (!packet)
            continue; // cannot be encoded: never sent, ends NotChecked
        if (m_hooks.send(*packet) == SendResult::Failed) {
            m_stage = Stage::Cancelled;
            if (m_hooks.sendFailed)
                m_hooks.sendFailed();
            return false;
        }
        ++m_passSent;
        m_stage = Stage::WaitAfterSend;
        return true;
    }
    return false;
}

void QueryPhase::finish() {
    m_table.markPendingNotChecked();
    m_pending = 0;
    m_stage = Stage::Finished;
    if (m_hooks.finished)
        m_hooks.finished();
}

} // namespace nomispot
