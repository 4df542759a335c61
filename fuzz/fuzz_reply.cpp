// Datagrams from the network: the reply parser on its own, and a query phase over a small table
// that gets datagrams, timer ticks, socket errors and a cancel in whatever order the input gives.

#include "engine/check_table.h"
#include "engine/dns_message.h"
#include "engine/query_phase.h"
#include "fuzz_input.h"

#include <optional>
#include <vector>

using namespace nomispot;
using nomispot::fuzz::Input;

namespace {

void checkParseReply(const QByteArray& datagram) {
    const auto verdict = ParseReply(datagram);
    FUZZ_CHECK(verdict.has_value() == (datagram.size() >= 4));
    if (!verdict)
        return;
    const auto byte = [&](int i) { return static_cast<std::uint8_t>(datagram[i]); };
    FUZZ_CHECK(verdict->id == (byte(0) << 8 | byte(1)));
    FUZZ_CHECK(verdict->unavailable == ((byte(3) & 0x1F) != 3));
    FUZZ_CHECK(!verdict->declined || verdict->unavailable);
    // Nothing past byte 3 counts.
    const auto head = ParseReply(datagram.left(4));
    FUZZ_CHECK(head->id == verdict->id && head->unavailable == verdict->unavailable &&
               head->declined == verdict->declined);
}

bool isVerdict(CheckState s) {
    return s == CheckState::Available || s == CheckState::Unavailable;
}

// One run of the phase, with every hook checking what the phase may do at that moment.
class PhaseRun {
public:
    explicit PhaseRun(Input& in) : m_in(in) {
        m_cols = 1 + in.byte() % 4;
        m_names = 1 + in.byte() % 8;
        m_retries = in.byte() % 5;
        m_progressMax = in.byte() % (candidates() + 3);
        const std::uint8_t failAt = in.byte();
        m_failSendAt = failAt < 16 ? failAt : -1;
        const std::uint8_t unsendable = in.byte();

        m_table.reset(m_cols, m_names);
        for (int c = 1; c <= m_cols; ++c)
            for (int r = 1; r <= m_names; ++r) {
                CheckItem& item = m_table.at(c, r);
                item.queryId = static_cast<std::uint16_t>((c - 1) * m_names + r);
                // A label too long for its length byte: never sent.
                item.domain = (unsendable >> (item.queryId % 8)) & 1
                                  ? QString(256, u'x') + QStringLiteral(".t%1").arg(c)
                                  : QStringLiteral("n%1.t%2").arg(r).arg(c);
                item.tld = QStringLiteral("t%1").arg(c);
            }
        m_sent.assign(static_cast<std::size_t>(candidates()) + 1, 0);

        QueryPhase::Hooks hooks;
        hooks.send = [this](const QByteArray& d) { return onSend(d); };
        hooks.cellChanged = [this](int c, int r) {
            FUZZ_CHECK(c >= 1 && c <= m_cols && r >= 1 && r <= m_names);
            FUZZ_CHECK(isVerdict(m_table.at(c, r).state));
        };
        hooks.progress = [this](int answered) {
            FUZZ_CHECK(answered <= m_progressMax && answered >= m_lastProgress);
            FUZZ_CHECK(answered == m_phase->answered());
            m_lastProgress = answered;
        };
        hooks.finished = [this] {
            FUZZ_CHECK(!ended());
            ++m_finished;
            for (int id = 1; id <= candidates(); ++id)
                FUZZ_CHECK(item(id).state != CheckState::Pending);
        };
        hooks.sendFailed = [this] {
            FUZZ_CHECK(m_failInjected && !ended());
            ++m_sendFailed;
        };
        m_phase.emplace(m_table, m_retries, m_progressMax, std::move(hooks));
    }

    void run() {
        m_sendBudget = 1; // no wait before the first query
        m_phase->start();
        readStates(m_before);
        for (int op = 0; op < 4096 && !m_in.atEnd(); ++op)
            step();
        // Whatever came before, the phase ends on ticks alone, within its schedule.
        while (m_phase->isRunning())
            tick();
        const bool cancelled = m_phase->stage() == QueryPhase::Stage::Cancelled;
        FUZZ_CHECK(cancelled == (m_cancelled || m_sendFailed > 0));
        FUZZ_CHECK(m_finished == (cancelled ? 0 : 1));
        // An ended phase takes nothing more in.
        for (int i = 0; i < 3; ++i)
            tick();
        datagram(reply(1, 0x83));
    }

private:
    int candidates() const { return m_cols * m_names; }
    bool ended() const { return m_finished > 0 || m_sendFailed > 0 || m_cancelled; }
    const CheckItem& item(int id) const {
        const auto cell = m_table.cellOfId(static_cast<std::uint16_t>(id));
        FUZZ_CHECK(cell.has_value());
        return m_table.at(cell->c, cell->r);
    }
    // Into a vector kept across calls: this runs after every event.
    void readStates(std::vector<CheckState>& s) const {
        s.resize(static_cast<std::size_t>(candidates()));
        for (int id = 1; id <= candidates(); ++id)
            s[static_cast<std::size_t>(id - 1)] = item(id).state;
    }

    static QByteArray reply(std::uint16_t id, std::uint8_t flags) {
        // Header only: identifier, QR RD / RA, one question, no records.
        QByteArray r("\x00\x00\x81\x80\x00\x01\x00\x00\x00\x00\x00\x00", 12);
        r[0] = static_cast<char>(id >> 8);
        r[1] = static_cast<char>(id & 0xFF);
        r[3] = static_cast<char>(flags);
        return r;
    }

    QueryPhase::SendResult onSend(const QByteArray& d) {
        FUZZ_CHECK(!ended());
        FUZZ_CHECK(m_sendBudget-- > 0);
        FUZZ_CHECK(d.size() >= 2);
        const int id = static_cast<std::uint8_t>(d[0]) << 8 | static_cast<std::uint8_t>(d[1]);
        FUZZ_CHECK(id >= 1 && id <= candidates());
        FUZZ_CHECK(item(id).state == CheckState::Pending);
        FUZZ_CHECK(d == BuildQuery(item(id).domain, static_cast<std::uint16_t>(id)));
        FUZZ_CHECK(++m_sent[static_cast<std::size_t>(id)] <= m_retries);
        if (m_sendCount++ == m_failSendAt) {
            m_failInjected = true;
            return QueryPhase::SendResult::Failed;
        }
        return QueryPhase::SendResult::Sent;
    }

    void step() {
        switch (m_in.byte() % 8) {
        case 4: {
            // A reply for a candidate, or for one just outside the table.
            const auto id = static_cast<std::uint16_t>(m_in.byte() % (candidates() + 2));
            QByteArray d = reply(id, m_in.byte());
            d[2] = static_cast<char>(m_in.byte());
            d.truncate(4 + m_in.byte() % 9);
            datagram(d);
            break;
        }
        case 5:
            datagram(m_in.bytes(m_in.byte() % 20));
            break;
        case 6:
            FUZZ_CHECK(m_phase->socketError() == !m_socketErrorSeen);
            m_socketErrorSeen = true;
            break;
        case 7:
            if (m_in.byte() == 0) {
                m_cancelled = m_cancelled || m_phase->isRunning();
                m_phase->cancel();
                FUZZ_CHECK(!m_phase->isRunning());
                break;
            }
            [[fallthrough]];
        default:
            tick();
        }
        checkTransitions();
    }

    void tick() {
        ++m_ticks;
        // A pause ends with the tick still set, so a pass's first two queries leave together.
        m_sendBudget = 2;
        m_phase->tick();
        // Passes of one tick per candidate and a 3-tick pause, then 10 ticks at the end.
        if (m_ticks > m_retries * (candidates() + 3) + 10 + 1)
            FUZZ_CHECK(!m_phase->isRunning());
        checkTransitions();
    }

    void datagram(const QByteArray& d) {
        checkParseReply(d);
        const int answered = m_phase->answered();
        const bool running = m_phase->isRunning();
        m_sendBudget = 0;
        m_phase->datagram(d);
        const auto verdict = ParseReply(d);
        const auto cell = verdict ? m_table.cellOfId(verdict->id) : std::nullopt;
        if (running && verdict && !verdict->declined && cell) {
            const CheckState s = m_table.at(cell->c, cell->r).state;
            FUZZ_CHECK(s ==
                       (verdict->unavailable ? CheckState::Unavailable : CheckState::Available));
            FUZZ_CHECK(m_phase->answered() == std::min(answered + 1, m_progressMax));
        } else {
            readStates(m_now);
            FUZZ_CHECK(m_now == m_before);
            FUZZ_CHECK(m_phase->answered() == answered);
        }
        checkTransitions();
    }

    // Pending becomes a verdict through a reply, NotChecked only when the phase ends; a verdict
    // may change to the other by a later reply; nothing goes back to Pending.
    void checkTransitions() {
        readStates(m_now);
        const std::vector<CheckState>& now = m_now;
        const bool finished = m_phase->stage() == QueryPhase::Stage::Finished;
        for (std::size_t i = 0; i < now.size(); ++i) {
            const CheckState was = m_before[i];
            const CheckState is = now[i];
            if (was == is)
                continue;
            FUZZ_CHECK(isVerdict(is) ||
                       (is == CheckState::NotChecked && was == CheckState::Pending && finished));
            FUZZ_CHECK(was != CheckState::NotChecked);
        }
        FUZZ_CHECK(m_phase->answered() >= 0 && m_phase->answered() <= m_progressMax);
        m_before.swap(m_now);
    }

    Input& m_in;
    int m_cols = 1;
    int m_names = 1;
    int m_retries = 0;
    int m_progressMax = 0;
    int m_failSendAt = -1;
    CheckTable m_table;
    std::optional<QueryPhase> m_phase;

    std::vector<CheckState> m_before; // states after the previous event
    std::vector<CheckState> m_now;
    std::vector<int> m_sent; // queries per identifier
    int m_sendCount = 0;
    int m_sendBudget = 0; // sends the current event may cause
    int m_ticks = 0;
    int m_lastProgress = 0;
    int m_finished = 0;
    int m_sendFailed = 0;
    bool m_failInjected = false;
    bool m_cancelled = false;
    bool m_socketErrorSeen = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkParseReply(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    Input in(data, size);
    PhaseRun(in).run();
    return 0;
}
