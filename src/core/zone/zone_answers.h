#pragma once

#include "engine/check_table.h"
#include "zone/zone_index.h"

#include <QDate>
#include <QString>
#include <string_view>
#include <vector>

namespace nomispot {

// The zone files a run answers from, each covering the names at and below its zone's apex.
class ZoneIndexSet {
public:
    void add(ZoneIndex index) { m_indexes.push_back(std::move(index)); }
    bool empty() const { return m_indexes.empty(); }
    const std::vector<ZoneIndex>& indexes() const { return m_indexes; }

    // The index that answers for name (lower case ASCII, no final dot): the one of the longest
    // apex, of two for one zone the newer; nullptr when no zone file covers it.
    const ZoneIndex* covering(std::string_view name) const;

private:
    std::vector<ZoneIndex> m_indexes;
};

struct ZoneAnswerCount {
    int taken = 0;
    int free = 0;
};

// Answers every pending candidate a zone file covers before a query is sent: a name that exists
// in it is Unavailable, any other Available (NotRegistrable where a reservation keeps it from
// everyone), verdictSource naming the zone file's date. Self-test probes of suffixes left without
// a pending candidate are dropped, so nothing under a covered zone is sent.
ZoneAnswerCount answerFromZoneFiles(CheckTable& table, const ZoneIndexSet& zones);

// The verdict sources: "in the zone file of 2026-07-23", "not in the zone file of 2026-07-23".
QString inZoneFileReason(const QDate& date);
QString notInZoneFileReason(const QDate& date);

} // namespace nomispot
