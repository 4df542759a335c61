#include "results/run_summary.h"

#include "engine/dns_message.h"
#include "engine/self_test.h"

#include <QStringList>
#include <map>

namespace nomispot {

namespace {

constexpr int kSuffixesNamed = 5;

QString serverCodeText(std::uint8_t rcode) {
    switch (rcode) {
    case kRcodeRefused:
        return QStringLiteral("refused");
    case kRcodeNotImplemented:
        return QStringLiteral("not implemented");
    case kRcodeServerFailure:
        return QStringLiteral("server failure");
    default:
        break;
    }
    return QStringLiteral("error code %1").arg(rcode);
}

// ".a, .b and 3 more"
QString suffixList(const QStringList& suffixes) {
    QStringList named;
    for (const QString& s : suffixes.mid(0, kSuffixesNamed))
        named << u'.' + s;
    QString text = named.join(QStringLiteral(", "));
    if (suffixes.size() > kSuffixesNamed)
        text += QStringLiteral(" and %1 more").arg(suffixes.size() - kSuffixesNamed);
    return text;
}

} // namespace

QString reasonText(const CheckItem& item) {
    // A verdict from a zone file says which: "not in the zone file of 2024-07-15".
    const QString& source = item.verdictSource;
    if (item.state == CheckState::NotRegistrable)
        return source.isEmpty() ? item.ruleReason
                                : item.ruleReason + QStringLiteral(" (") + source + u')';
    if (item.registeredNotInDns)
        return source.isEmpty() ? QStringLiteral("registered, not in DNS")
                                : QStringLiteral("registered, ") + source;
    if (item.alias)
        return QStringLiteral("exists as an alias (CNAME)");
    if (!source.isEmpty() && item.reason == NotCheckedReason::None)
        return source;
    switch (item.reason) {
    case NotCheckedReason::None:
        break;
    case NotCheckedReason::NoAnswer:
        return QStringLiteral("no answer");
    case NotCheckedReason::ServerCode:
        return serverCodeText(item.rcode);
    case NotCheckedReason::InvalidName:
        return QStringLiteral("not a valid domain name");
    case NotCheckedReason::SuffixUnknown:
        return QStringLiteral("untrusted suffix: this nameserver does not know .%1")
            .arg(suffixOf(item.domain));
    case NotCheckedReason::MadeUpNamesExist:
        return QStringLiteral("untrusted suffix: this nameserver says made-up names under .%1 "
                              "exist: a wildcard or a redirecting resolver")
            .arg(suffixOf(item.domain));
    case NotCheckedReason::NotSent:
        return QStringLiteral("not sent");
    case NotCheckedReason::Cancelled:
        return QStringLiteral("cancelled");
    case NotCheckedReason::NetworkFailed:
        return QStringLiteral("the nameserver could not be used");
    case NotCheckedReason::Truncated:
        return QStringLiteral("truncated answer");
    }
    return {};
}

QString countsText(const CheckTable& table) {
    int free = 0, taken = 0, pending = 0, notRegistrable = 0;
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r)
            switch (table.at(c, r).state) {
            case CheckState::Available:
                ++free;
                break;
            case CheckState::Unavailable:
                ++taken;
                break;
            case CheckState::Pending:
                ++pending;
                break;
            case CheckState::NotRegistrable:
                ++notRegistrable;
                break;
            case CheckState::NotChecked:
            case CheckState::AlreadyWritten:
                break;
            }
    QString text = QStringLiteral("%1 free, %2 taken").arg(free).arg(taken);
    if (notRegistrable)
        text += QStringLiteral(", %1 not registrable").arg(notRegistrable);
    if (pending)
        text += QStringLiteral(", %1 to go").arg(pending);
    return text;
}

QString progressText(const CheckTable& table, const QueryPhase& phase, int delayMs) {
    if (phase.pass() == 0 && table.probeQueriesToSend() > 0)
        return QStringLiteral("Testing the nameserver: %1 of %2")
            .arg(phase.probesSent())
            .arg(table.probeQueriesToSend());
    const int total = table.candidateCount();
    const int done = total - phase.pending();
    const qint64 seconds = (qint64(phase.ticksLeft()) * std::max(delayMs, 1) + 999) / 1000;
    const QString left = seconds < 60 ? QStringLiteral("%1 s").arg(seconds)
                                      : QStringLiteral("%1 min").arg((seconds + 59) / 60);
    return QStringLiteral("%1 of %2 (%3 %), at most %4 left")
        .arg(done)
        .arg(total)
        .arg(total > 0 ? done * 100 / total : 100)
        .arg(left);
}

void RunTally::add(const CheckTable& table) {
    // Candidates whose rows were written before are no part of this check.
    candidates += table.candidateCount() - table.count(CheckState::AlreadyWritten);
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r) {
            const CheckItem& item = table.at(c, r);
            if (item.state == CheckState::AlreadyWritten)
                continue;
            zoneAnswered += !item.verdictSource.isEmpty();
            registeredNotInDns += item.registeredNotInDns;
            mayBecomeFreeSoon += item.mayBecomeFreeSoon;
            // Free names are what a confirmation is about; taken ones asked for details are not.
            if (item.state == CheckState::Available) {
                if (item.registry == RegistryAnswer::NotFound)
                    ++confirmed;
                if (item.registry == RegistryAnswer::Unknown) {
                    ++unconfirmed;
                    if (!registryReasons.contains(item.registryNote))
                        registryReasons << item.registryNote;
                }
            }
            if (item.state != CheckState::NotChecked)
                continue;
            ++notChecked;
            switch (item.reason) {
            case NotCheckedReason::ServerCode:
                ++serverCodes[item.rcode];
                break;
            case NotCheckedReason::InvalidName:
                ++invalid;
                break;
            case NotCheckedReason::SuffixUnknown:
            case NotCheckedReason::MadeUpNamesExist:
                ++untrusted;
                break;
            case NotCheckedReason::NotSent:
                ++notSent;
                break;
            case NotCheckedReason::Cancelled:
                ++cancelled;
                break;
            case NotCheckedReason::NetworkFailed:
                ++networkFailed;
                break;
            case NotCheckedReason::Truncated:
                ++truncated;
                break;
            case NotCheckedReason::NoAnswer:
            case NotCheckedReason::None:
                ++noAnswer;
                break;
            }
        }
    for (const SuffixProbe& probe : table.probes()) {
        anyProbe = true;
        if (probe.trust == SuffixProbe::Trust::SuffixUnknown) {
            if (!unknownSuffixes.contains(probe.suffix))
                unknownSuffixes << probe.suffix;
        } else if (probe.trust == SuffixProbe::Trust::MadeUpNamesExist) {
            if (!madeUpSuffixes.contains(probe.suffix))
                madeUpSuffixes << probe.suffix;
        } else {
            allProbesUntrusted = false;
        }
    }
}

QString runSummary(const CheckTable& table, const DnsSettings& dns, const SettingsHints& hints) {
    RunTally tally;
    tally.add(table);
    return runSummary(tally, dns, hints);
}

QString runSummary(const RunTally& tally, const DnsSettings& dns, const SettingsHints& hints) {
    const QString& nameserver = dns.nameserver;
    // Counted by what the user can tell apart, in this order.
    QStringList parts;
    for (const auto& [rcode, count] : tally.serverCodes) {
        if (rcode == kRcodeRefused)
            parts << QStringLiteral("%1 refused by %2").arg(count).arg(nameserver);
        else
            parts << QStringLiteral("%1 failed at %2 (%3)")
                         .arg(count)
                         .arg(nameserver, serverCodeText(static_cast<std::uint8_t>(rcode)));
    }
    if (tally.noAnswer)
        parts << QStringLiteral("%1 without answer").arg(tally.noAnswer);
    if (tally.truncated)
        parts << QStringLiteral("%1 with truncated answers only").arg(tally.truncated);
    if (tally.invalid)
        parts << QStringLiteral("%1 not a valid domain name").arg(tally.invalid);
    if (tally.untrusted)
        parts << QStringLiteral("%1 under untrusted suffixes").arg(tally.untrusted);
    if (tally.notSent)
        parts << QStringLiteral("%1 not sent").arg(tally.notSent);
    if (tally.cancelled)
        parts << QStringLiteral("%1 cancelled").arg(tally.cancelled);
    if (tally.networkFailed)
        parts << QStringLiteral("%1 not asked (%2 cannot be used)")
                     .arg(tally.networkFailed)
                     .arg(nameserver);

    QStringList sentences;
    if (dns.retries == 0 && tally.candidates > 0)
        sentences << QStringLiteral("Nothing was asked: the number of retries is 0; choose 1 to "
                                    "10 (%1).")
                         .arg(hints.retries);
    if (tally.notChecked)
        sentences
            << QStringLiteral("%1 not checked: %2.").arg(tally.notChecked).arg(parts.join(", "));
    if (!tally.madeUpSuffixes.isEmpty())
        sentences << QStringLiteral("%1 untrusted: made-up names exist.")
                         .arg(suffixList(tally.madeUpSuffixes));
    if (!tally.unknownSuffixes.isEmpty())
        sentences << QStringLiteral("%1 untrusted: unknown to %2.")
                         .arg(suffixList(tally.unknownSuffixes), nameserver);
    if (tally.anyProbe && tally.allProbesUntrusted)
        sentences << QStringLiteral("No suffix can be trusted: choose another nameserver (%1).")
                         .arg(hints.nameserver);
    return sentences.join(u' ');
}

QString zoneFileSummary(const CheckTable& table) {
    RunTally tally;
    tally.add(table);
    return zoneFileSummary(tally);
}

QString zoneFileSummary(const RunTally& tally) {
    if (tally.zoneAnswered == 0)
        return {};
    return QStringLiteral("%1 answered from zone files.").arg(tally.zoneAnswered);
}

QString registrySummary(const CheckTable& table) {
    RunTally tally;
    tally.add(table);
    return registrySummary(tally);
}

QString registrySummary(const RunTally& tally) {
    const int confirmed = tally.confirmed, found = tally.registeredNotInDns,
              unknown = tally.unconfirmed, ending = tally.mayBecomeFreeSoon;
    const QStringList& reasons = tally.registryReasons;
    if (confirmed + found + unknown + ending == 0)
        return {};
    QStringList parts;
    if (confirmed)
        parts << QStringLiteral("%1 free confirmed").arg(confirmed);
    if (found)
        parts << QStringLiteral("%1 registered but not in DNS").arg(found);
    if (ending)
        parts << QStringLiteral("%1 taken may become free soon").arg(ending);
    if (unknown) {
        QString part = QStringLiteral("%1 not confirmed (%2")
                           .arg(unknown)
                           .arg(reasons.mid(0, kSuffixesNamed).join(QStringLiteral("; ")));
        if (reasons.size() > kSuffixesNamed)
            part += QStringLiteral("; and %1 more").arg(reasons.size() - kSuffixesNamed);
        parts << part + u')';
    }
    return QStringLiteral("Registries: ") + parts.join(QStringLiteral(", ")) + u'.';
}

} // namespace nomispot
