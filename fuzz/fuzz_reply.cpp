// Datagrams from the network: the reply parser on its own, and a query phase over a small table
// that gets datagrams, timer ticks, socket errors and a cancel in whatever order the input gives.

#include "engine/check_table.h"
#include "engine/dns_message.h"
#include "engine/query_phase.h"
#include "engine/self_test.h"
#include "fuzz_input.h"

#include <optional>
#include <vector>

using namespace nomispot;
using nomispot::fuzz::Input;

namespace {

void checkParseReply(const QByteArray& datagram) {
    const auto reply = ParseReply(datagram);
    const auto byte = [&](int i) { return static_cast<std::uint8_t>(datagram[i]); };
    const bool response = datagram.size() >= 4 && (byte(2) & 0x80) != 0;
    if (!reply) {
        // Only a response whose question cannot be read is dropped besides the rest.
        FUZZ_CHECK(!response || (datagram.size() >= 12 && (byte(4) | byte(5)) != 0));
        return;
    }
    FUZZ_CHECK(response);
    FUZZ_CHECK(reply->id == (byte(0) << 8 | byte(1)));
    FUZZ_CHECK(reply->rcode == (byte(3) & 0x0F));
    if (!reply->hasQuestion)
        return;
    // The question is whole labels ending at the root, within the datagram.
    const QByteArray& name = reply->questionName;
    FUZZ_CHECK(!name.isEmpty() && name.endsWith('\0') && 12 + name.size() <= datagram.size());
    QString text;
    bool plain = true;
    for (qsizetype i = 0; name[i] != 0; i += 1 + name[i]) {
        const QByteArray label = name.mid(i + 1, name[i]);
        plain = plain && !label.contains('.');
        text += QString::fromLatin1(label) + u'.';
    }
    // A question of plain labels is about its own name, whatever the case.
    if (plain && isValidDomainName(text) && reply->questionType == kQueryType &&
        reply->questionClass == kQueryClass)
        FUZZ_CHECK(reply->isAbout(text.toUpper()));
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
        const bool selfTest = in.byte() & 1;

        m_table.reset(m_cols, m_names);
        for (int c = 1; c <= m_cols; ++c)
            for (int r = 1; r <= m_names; ++r) {
                CheckItem& item = m_table.at(c, r);
                item.queryId = static_cast<std::uint16_t>((c - 1) * m_names + r);
                // A label too long for a domain name: never sent.
                item.domain = (unsendable >> (item.queryId % 8)) & 1
                                  ? QString(64, u'x') + QStringLiteral(".t%1").arg(c)
                                  : QStringLiteral("n%1.t%2").arg(r).arg(c);
                item.tld = QStringLiteral("t%1").arg(c);
            }
        if (selfTest)
            addSelfTest(m_table);
        // Identifiers in a known order here, so that replies can name any of them: candidates
        // first, then each probe's two queries.
        for (std::size_t p = 0; p < m_table.probes().size(); ++p) {
            const auto first = static_cast<std::uint16_t>(candidates() + 1 + 2 * p);
            m_table.probes()[p].suffixId = first;
            m_table.probes()[p].madeUpId = static_cast<std::uint16_t>(first + 1);
        }
        m_sent.assign(static_cast<std::size_t>(candidates() + m_table.probeQueryCount()) + 1, 0);

        QueryPhase::Hooks hooks;
        hooks.send = [this](const QByteArray& d) { return onSend(d); };
        hooks.cellChanged = [this](int c, int r) {
            FUZZ_CHECK(c >= 1 && c <= m_cols && r >= 1 && r <= m_names);
            FUZZ_CHECK(isVerdict(m_table.at(c, r).state) || isDistrusted(m_table.at(c, r)));
        };
        hooks.progress = [this](int answered) {
            FUZZ_CHECK(answered <= m_progressMax && answered >= m_lastProgress);
            FUZZ_CHECK(answered == m_phase->answered());
            m_lastProgress = answered;
        };
        hooks.finished = [this] {
            FUZZ_CHECK(m_finished == 0 && !m_cancelled);
            ++m_finished;
            for (int id = 1; id <= candidates(); ++id)
                FUZZ_CHECK(item(id).state != CheckState::Pending);
        };
        // A send error ends the phase: finished follows at once.
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
        FUZZ_CHECK(cancelled == m_cancelled);
        FUZZ_CHECK(m_finished == (cancelled ? 0 : 1));
        // An ended phase takes nothing more in.
        for (int i = 0; i < 3; ++i)
            tick();
        datagram(reply(1, 0x83, nameOf(1)));
    }

private:
    int candidates() const { return m_cols * m_names; }
    bool ended() const { return m_finished > 0 || m_sendFailed > 0 || m_cancelled; }
    const CheckItem& item(int id) const {
        FUZZ_CHECK(id >= 1 && id <= candidates());
        return m_table.at((id - 1) / m_names + 1, (id - 1) % m_names + 1);
    }
    // Into a vector kept across calls: this runs after every event.
    void readStates(std::vector<CheckState>& s) const {
        s.resize(static_cast<std::size_t>(candidates()));
        for (int id = 1; id <= candidates(); ++id)
            s[static_cast<std::size_t>(id - 1)] = item(id).state;
    }

    // The name query id asks about; another name for an identifier no query has.
    QString nameOf(int id) const {
        if (id >= 1 && id <= candidates())
            return item(id).domain;
        if (const int query = id - candidates() - 1;
            query >= 0 && query < m_table.probeQueryCount()) {
            const SuffixProbe& p = m_table.probes()[static_cast<std::size_t>(query / 2)];
            return query % 2 == 1 ? p.madeUpName : p.suffix;
        }
        return QStringLiteral("other.t1");
    }

    static QByteArray reply(std::uint16_t id, std::uint8_t flags, const QString& name) {
        // The query with QR RD / RA and the code; an invalid name gets a question of its own.
        QByteArray r = BuildQuery(name, id).value_or(*BuildQuery(QStringLiteral("x.t1"), id));
        r[2] = static_cast<char>(0x81);
        r[3] = static_cast<char>(flags);
        return r;
    }

    QueryPhase::SendResult onSend(const QByteArray& d) {
        FUZZ_CHECK(!ended());
        FUZZ_CHECK(m_sendBudget-- > 0);
        FUZZ_CHECK(d.size() >= 2);
        const int id = static_cast<std::uint8_t>(d[0]) << 8 | static_cast<std::uint8_t>(d[1]);
        FUZZ_CHECK(id >= 1 && id <= candidates() + m_table.probeQueryCount());
        FUZZ_CHECK(d == BuildQuery(nameOf(id), static_cast<std::uint16_t>(id)));
        if (id <= candidates()) {
            // Probes go first, once each; candidates while pending, once a pass.
            FUZZ_CHECK(item(id).state == CheckState::Pending);
            FUZZ_CHECK(++m_sent[static_cast<std::size_t>(id)] <= m_retries);
            m_candidateSent = true;
        } else {
            FUZZ_CHECK(!m_candidateSent && ++m_sent[static_cast<std::size_t>(id)] == 1);
        }
        if (m_sendCount++ == m_failSendAt) {
            m_failInjected = true;
            return QueryPhase::SendResult::Failed;
        }
        return QueryPhase::SendResult::Sent;
    }

    void step() {
        switch (m_in.byte() % 8) {
        case 4: {
            // A reply for a query of the run, or for one just outside it: about its own name,
            // another, or without a question; QR set or not.
            const int id = m_in.byte() % (candidates() + m_table.probeQueryCount() + 2);
            const std::uint8_t how = m_in.byte();
            const QString name = how & 1 ? QStringLiteral("n1.t9") : nameOf(id);
            QByteArray d = reply(static_cast<std::uint16_t>(id), m_in.byte(), name);
            if (how & 2)
                d[2] = static_cast<char>(m_in.byte());
            if (how & 4)
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
        // A tick per probe, passes of one tick per candidate and a 3-tick pause, then 10 ticks
        // at the end.
        if (m_ticks > m_table.probeQueryCount() + m_retries * (candidates() + 3) + 10 + 1)
            FUZZ_CHECK(!m_phase->isRunning());
        checkTransitions();
    }

    void datagram(const QByteArray& d) {
        checkParseReply(d);
        const int answered = m_phase->answered();
        const bool running = m_phase->isRunning();
        m_sendBudget = 0;
        m_phase->datagram(d);
        const auto reply = ParseReply(d);
        const int id = reply ? reply->id : 0;
        const bool about = reply && reply->isAbout(nameOf(id));
        const bool verdict = reply && !reply->truncated && (reply->rcode == 0 || reply->rcode == 3);
        readStates(m_now);
        for (int other = 1; other <= candidates(); ++other) {
            const std::size_t i = static_cast<std::size_t>(other - 1);
            if (m_now[i] == m_before[i])
                continue;
            // Only the pending candidate the reply is about gets a verdict, the one its code
            // says; or a probe's answer makes its suffix untrusted.
            if (other == id) {
                FUZZ_CHECK(running && about && verdict && m_before[i] == CheckState::Pending);
                FUZZ_CHECK(m_now[i] == (reply->rcode == 0 || reply->alias ? CheckState::Unavailable
                                                                          : CheckState::Available));
                FUZZ_CHECK(m_phase->answered() == std::min(answered + 1, m_progressMax));
            } else {
                const int query = id - candidates() - 1;
                FUZZ_CHECK(running && about && query >= 0 && query < m_table.probeQueryCount() &&
                           item(other).probe == query / 2 && isDistrusted(item(other)));
            }
        }
        if (!(running && about && verdict && id >= 1 && id <= candidates()))
            FUZZ_CHECK(m_phase->answered() == answered);
        checkTransitions();
    }

    static bool isDistrusted(const CheckItem& item) {
        return item.state == CheckState::NotChecked &&
               (item.reason == NotCheckedReason::SuffixUnknown ||
                item.reason == NotCheckedReason::MadeUpNamesExist);
    }

    // Pending becomes a verdict through a reply and NotChecked when the phase ends; an untrusted
    // suffix turns its candidates NotChecked whatever they were; nothing goes back to Pending.
    void checkTransitions() {
        readStates(m_now);
        const std::vector<CheckState>& now = m_now;
        const bool finished = m_phase->stage() == QueryPhase::Stage::Finished;
        for (std::size_t i = 0; i < now.size(); ++i) {
            const CheckState was = m_before[i];
            const CheckState is = now[i];
            if (was == is)
                continue;
            const CheckItem& changed = item(static_cast<int>(i) + 1);
            FUZZ_CHECK(was != CheckState::NotChecked);
            FUZZ_CHECK((isVerdict(is) && was == CheckState::Pending) || isDistrusted(changed) ||
                       (is == CheckState::NotChecked && was == CheckState::Pending && finished));
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
    bool m_candidateSent = false;
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
