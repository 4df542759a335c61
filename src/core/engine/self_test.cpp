#include "engine/self_test.h"

#include "engine/dns_message.h"

#include <QHash>
#include <QRandomGenerator>

namespace nomispot {

namespace {

QString madeUpLabel() {
    QString label(kMadeUpLabelLength, Qt::Uninitialized);
    for (QChar& c : label)
        c = QChar(u'a' + QRandomGenerator::global()->bounded(26));
    return label;
}

} // namespace

QString suffixOf(const QString& domain) {
    const qsizetype dot = domain.indexOf(u'.');
    return dot < 0 ? QString() : domain.mid(dot + 1);
}

void addSelfTest(CheckTable& table) {
    std::vector<SuffixProbe>& probes = table.probes();
    QHash<QString, int> probeOfSuffix;
    for (int c = 1; c <= table.colCount(); ++c)
        for (int r = 1; r <= table.nameCount(); ++r) {
            CheckItem& item = table.at(c, r);
            const QString suffix = suffixOf(item.wireName());
            if (item.state != CheckState::Pending || !isValidDomainName(item.wireName()) ||
                suffix.isEmpty() || suffix == u".")
                continue;
            const QString key = suffix.toLower();
            auto it = probeOfSuffix.find(key);
            if (it == probeOfSuffix.end()) {
                it = probeOfSuffix.insert(key, static_cast<int>(probes.size()));
                probes.push_back({suffix, madeUpLabel() + u'.' + suffix});
            }
            item.probe = *it;
        }
}

SuffixProbe::Trust probeVerdict(bool madeUp, std::uint8_t rcode) {
    if (!madeUp && rcode == kRcodeNameError)
        return SuffixProbe::Trust::SuffixUnknown;
    if (madeUp && rcode == kRcodeNoError)
        return SuffixProbe::Trust::MadeUpNamesExist;
    return SuffixProbe::Trust::Trusted;
}

} // namespace nomispot
