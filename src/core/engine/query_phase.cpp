#include "engine/query_phase.h"

#include "engine/dns_message.h"

#include <algorithm>

namespace nomispot {

QueryPhase::QueryPhase(CheckTable& table, int retries, int progressMax, Hooks hooks)
    : m_table(table), m_hooks(std::move(hooks)), m_retries(std::max(retries, 0)),
      m_progressMax(progressMax) {}

bool QueryPhase::isRunning() const {
    return m_stage != Stage::Idle && m_stage != Stage::Finished && m_stage != Stage::Cancelled;
}

void QueryPhase::start() {
    m_tick = false;
    m_answered = 0;
    m_pass = 0;
    if (m_retries == 0) {
        m_finalPause = true;
        beginPause(10);
    } else {
        m_pass = 1;
        m_cursor = 0;
        m_stage = Stage::Sending;
    }
    advance();
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
    CheckTable::Cell cell;
    if (!m_table.cellOfId(verdict->id, cell))
        return;
    m_table.at(cell.c, cell.r).state =
        verdict->unavailable ? CheckState::Unavailable : CheckState::Available;
    if (m_answered < m_progressMax)
        ++m_answered;
    if (m_hooks.progress)
        m_hooks.progress(m_answered);
    if (m_hooks.cellChanged)
        m_hooks.cellChanged(cell.c, cell.r);
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
                beginPause(3);
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
                ++m_pass;
                m_cursor = 0;
                m_stage = Stage::Sending;
            } else {
                m_finalPause = true;
                beginPause(10);
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
        CheckTable::Cell cell;
        m_table.cellOfId(static_cast<std::uint16_t>(m_cursor + 1), cell);
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
        m_stage = Stage::WaitAfterSend;
        return true;
    }
    return false;
}

void QueryPhase::finish() {
    m_table.markPendingNotChecked();
    m_stage = Stage::Finished;
    if (m_hooks.finished)
        m_hooks.finished();
}

} // namespace nomispot
