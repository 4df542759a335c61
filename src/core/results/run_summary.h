#pragma once

#include "engine/check_table.h"
#include "engine/query_phase.h"
#include "settings/dns_settings.h"

#include <QString>
#include <QStringList>
#include <map>

namespace nomispot {

// Why a candidate was not checked, in a few words ("no answer", "refused", ...), why a
// candidate the DNS called free is taken ("registered, not in DNS"), why no registry can take
// it ("a name cannot start with a hyphen"), or the zone file that answered for it ("in the zone
// file of 2024-07-15"); empty otherwise.
QString reasonText(const CheckItem& item);

// "3 free, 10 taken", ", 2 not registrable" when there are such, and, while a run lasts,
// "5 to go".
QString countsText(const CheckTable& table);

// The progress of a run in words: the self-test while its probes go out ("Testing the
// nameserver: 120 of 369"), then the candidates answered, their share and the longest time left
// ("14 of 16 (87 %), at most 5 s left").
QString progressText(const CheckTable& table, const QueryPhase& phase, int delayMs);

// Where the user changes what a summary may point at.
struct SettingsHints {
    QString nameserver;
    QString retries;
};

// One line on what a finished run with dns could not check and which suffixes it could not
// trust, e.g. "14 not checked: 12 refused by 192.0.2.53, 2 without answer. .ws untrusted:
// made-up names exist."; empty when everything was checked. It says what to change where a
// setting is the cause: no suffix could be trusted, or no question was asked.
QString runSummary(const CheckTable& table, const DnsSettings& dns, const SettingsHints& hints);

// What runSummary and registrySummary say, gathered over the runs of a long list so that no run
// needs to be kept: counts, and the suffixes and registry reasons named.
struct RunTally {
    std::map<int, int> serverCodes; // candidates answered only with this code
    int noAnswer = 0, invalid = 0, untrusted = 0, notSent = 0, cancelled = 0, networkFailed = 0;
    int truncated = 0;
    int notChecked = 0;
    int candidates = 0;
    QStringList unknownSuffixes, madeUpSuffixes; // distinct, in order of first appearance
    bool allProbesUntrusted = true;
    bool anyProbe = false;
    int zoneAnswered = 0;
    int confirmed = 0, registeredNotInDns = 0, unconfirmed = 0, mayBecomeFreeSoon = 0;
    QStringList registryReasons; // distinct, in order of first appearance

    void add(const CheckTable& table);
};

QString runSummary(const RunTally& tally, const DnsSettings& dns, const SettingsHints& hints);
QString zoneFileSummary(const RunTally& tally);
QString registrySummary(const RunTally& tally);

// "12 answered from zone files."; empty when no candidate was answered from one.
QString zoneFileSummary(const CheckTable& table);

// What the registries said about the free names they were asked about, e.g. "Registries: 3 free
// confirmed, 1 registered but not in DNS, 2 not confirmed (No registry look-up known for
// .zz)."; empty when none was asked.
QString registrySummary(const CheckTable& table);

} // namespace nomispot
