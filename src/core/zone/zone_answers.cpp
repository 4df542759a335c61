#include "zone/zone_answers.h"

#include <string>
#include <utility>

namespace nomispot {

namespace {

// The candidate's name as indexes hold names: lower case, no final dot. Pending candidates are
// valid DNS names, so ASCII.
void lookupForm(const QString& wireName, std::string& out) {
    out.clear();
    qsizetype length = wireName.size();
    if (length > 0 && wireName[length - 1] == u'.')
        --length;
    out.reserve(static_cast<std::size_t>(length));
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = wireName[i].unicode();
        out += static_cast<char>(c >= u'A' && c <= u'Z' ? c + 32 : c);
    }
}

// Keeps the probes some pending candidate still needs, renumbered in their order.
void dropUnneededProbes(CheckTable& table) {
    std::vector<SuffixProbe>& probes = table.probes();
    if (probes.empty())
        return;
    std::vector<int> renumbered(probes.size(), -1);
    std::as_const(table).forEach([&](int, int, const CheckItem& item) {
        if (item.state == CheckState::Pending && item.probe >= 0)
            renumbered[static_cast<std::size_t>(item.probe)] = 0;
    });
    std::vector<SuffixProbe> kept;
    for (std::size_t i = 0; i < probes.size(); ++i)
        if (renumbered[i] == 0) {
            renumbered[i] = static_cast<int>(kept.size());
            kept.push_back(std::move(probes[i]));
        }
    table.forEach([&](int, int, CheckItem& item) {
        if (item.probe >= 0)
            item.probe = item.state == CheckState::Pending
                             ? renumbered[static_cast<std::size_t>(item.probe)]
                             : -1;
    });
    probes = std::move(kept);
}

} // namespace

const ZoneIndex* ZoneIndexSet::covering(std::string_view name) const {
    const ZoneIndex* best = nullptr;
    for (const ZoneIndex& index : m_indexes) {
        if (!index.covers(name))
            continue;
        if (!best || index.zone().size() > best->zone().size() ||
            (index.zone().size() == best->zone().size() && index.facts().date > best->facts().date))
            best = &index;
    }
    return best;
}

QString inZoneFileReason(const QDate& date) {
    return QStringLiteral("in the zone file of %1").arg(date.toString(Qt::ISODate));
}

QString notInZoneFileReason(const QDate& date) {
    return QStringLiteral("not in the zone file of %1").arg(date.toString(Qt::ISODate));
}

ZoneAnswerCount answerFromZoneFiles(CheckTable& table, const ZoneIndexSet& zones) {
    ZoneAnswerCount count;
    if (zones.empty())
        return count;
    std::string name;
    // One text per zone file, shared by its candidates.
    const ZoneIndex* reasonsOf = nullptr;
    QString taken;
    QString free;
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r) {
            CheckItem& item = table.at(c, r);
            if (item.state != CheckState::Pending)
                continue;
            lookupForm(item.wireName(), name);
            const ZoneIndex* zone = zones.covering(name);
            if (!zone)
                continue;
            if (zone != reasonsOf) {
                reasonsOf = zone;
                taken = inZoneFileReason(zone->facts().date);
                free = notInZoneFileReason(zone->facts().date);
            }
            item.reason = NotCheckedReason::None;
            if (zone->nameExists(name)) {
                item.state = CheckState::Unavailable;
                item.verdictSource = taken;
                ++count.taken;
            } else {
                // As a DNS answer would: free, unless a reservation keeps it from everyone.
                item.state =
                    item.ruleReason.isEmpty() ? CheckState::Available : CheckState::NotRegistrable;
                item.verdictSource = free;
                ++count.free;
            }
        }
    dropUnneededProbes(table);
    return count;
}

} // namespace nomispot
