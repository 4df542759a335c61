// Zone files: a generated .com-like zone (gzip) of N delegations, two NS records each as
// registries publish them. Reports the index build (time, MB/s of text), its size, the time of
// one look-up, a million candidates planned and answered in runs of 2,048, and peak RSS.
//
//   bench_zone_index [delegations=10000000] [candidates=1000000]
#include "zone/zone_index.h"

#include "engine/run_plan.h"
#include "zone/zone_answers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>
#include <zlib.h>

using namespace nomispot;

namespace {

long peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The label of delegation i: varied lengths, as real names have.
std::string label(long long i) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s = "d";
    unsigned long long x = static_cast<unsigned long long>(i) * 0x9E3779B97F4A7C15ULL;
    const int length = 4 + static_cast<int>(x % 12);
    for (int k = 0; k < length; ++k) {
        s += letters[x % 36];
        x = x / 36 + 0x632BE59BD9B4E019ULL * static_cast<unsigned long long>(k + 1);
    }
    return s + std::to_string(i);
}

// Writes the zone; the bytes of its text.
long long writeZone(const QString& path, long long delegations) {
    gzFile out = gzopen(path.toLocal8Bit().constData(), "wb6");
    if (!out)
        return -1;
    long long bytes = 0;
    std::string chunk = "com.\t900\tin\tsoa\ta.gtld-servers.net. nstld.verisign-grs.com. "
                        "2024071502 1800 900 604800 86400\n"
                        "com.\t172800\tin\tns\ta.gtld-servers.net.\n";
    for (long long i = 0; i < delegations; ++i) {
        const std::string name = label(i) + ".com.\t172800\tin\tns\tns";
        const std::string host = std::to_string(i % 50000);
        chunk += name + "1.host" + host + ".net.\n";
        chunk += name + "2.host" + host + ".net.\n";
        if (chunk.size() > (1 << 20)) {
            bytes += static_cast<long long>(chunk.size());
            gzwrite(out, chunk.data(), static_cast<unsigned>(chunk.size()));
            chunk.clear();
        }
    }
    bytes += static_cast<long long>(chunk.size());
    gzwrite(out, chunk.data(), static_cast<unsigned>(chunk.size()));
    gzclose(out);
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long long delegations = argc > 1 ? std::atoll(argv[1]) : 10'000'000;
    const long long candidates = argc > 2 ? std::atoll(argv[2]) : 1'000'000;
    QTemporaryDir dir;
    if (!dir.isValid() || delegations <= 0 || candidates <= 0)
        return 1;
    const QString zonePath = dir.filePath(QStringLiteral("com.zone.gz"));

    QElapsedTimer timer;
    timer.start();
    const long long textBytes = writeZone(zonePath, delegations);
    if (textBytes < 0)
        return 1;
    std::printf("zone: %lld delegations, %.1f MB of text, %.1f MB gzip (written in %.1f s)\n",
                delegations, textBytes / 1e6, QFileInfo(zonePath).size() / 1e6,
                timer.elapsed() / 1e3);

    timer.restart();
    Result<ZoneIndex> index = loadZoneIndex(zonePath, dir.filePath(QStringLiteral("index")));
    const double buildSeconds = timer.nsecsElapsed() / 1e9;
    if (!index) {
        std::fprintf(stderr, "%s\n", qPrintable(index.error().message));
        return 1;
    }
    std::printf("index build: %.2f s, %.1f MB/s of text, %.1f MB/s of gzip; peak RSS %ld MB\n",
                buildSeconds, textBytes / 1e6 / buildSeconds,
                QFileInfo(zonePath).size() / 1e6 / buildSeconds, peakRssMb());
    std::printf("index size: %lld names, %.1f MB, %.2f bytes a name\n", index->facts().names,
                index->indexBytes() / 1e6, double(index->indexBytes()) / index->facts().names);

    timer.restart();
    Result<ZoneIndex> reopened = loadZoneIndex(zonePath, dir.filePath(QStringLiteral("index")));
    std::printf("index reopened (checksum checked): %.3f s\n", timer.nsecsElapsed() / 1e9);
    if (!reopened)
        return 1;

    // Half taken, half free.
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(candidates));
    for (long long i = 0; i < candidates; ++i)
        names.push_back(i % 2 == 0 ? label((i * 7919) % delegations) + ".com"
                                   : "free" + std::to_string(i) + ".com");
    timer.restart();
    long long taken = 0;
    for (const std::string& name : names)
        taken += reopened->nameExists(name) ? 1 : 0;
    const double lookupNs = double(timer.nsecsElapsed()) / double(candidates);
    std::printf("look-up: %.0f ns a candidate (%lld of %lld taken)\n", lookupNs, taken, candidates);
    if (taken != (candidates + 1) / 2)
        std::printf("  unexpected: %lld taken\n", taken);

    // End to end: typed names planned into runs of 2,048 and answered from the zone file.
    ZoneIndexSet zones;
    zones.add(std::move(*reopened));
    QStringList typed;
    for (long long i = 0; i < candidates; ++i)
        typed << QString::fromStdString(names[static_cast<std::size_t>(i)]).chopped(4);
    timer.restart();
    qint64 planNs = 0;
    long long answered = 0;
    long long endTaken = 0;
    QElapsedTimer part;
    for (qsizetype start = 0; start < typed.size(); start += kMaxCombinations) {
        part.start();
        RunRequest request{typed.mid(start, kMaxCombinations).join(u' '), CheckMode::Separately,
                           SearchSet::DefaultList, QStringList{QStringLiteral("com")}};
        request.selfTest = true;
        Result<RunPlan, RunRefusal> plan = planRun(request, TldCatalogue{});
        planNs += part.nsecsElapsed();
        if (!plan)
            return 1;
        const ZoneAnswerCount count = answerFromZoneFiles(plan->candidates, zones);
        answered += count.taken + count.free;
        endTaken += count.taken;
    }
    const double endSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("end to end: %lld candidates in %.2f s (planning %.2f s, answering %.2f s), "
                "%lld taken\n",
                answered, endSeconds, planNs / 1e9, endSeconds - planNs / 1e9, endTaken);
    std::printf("peak RSS: %ld MB\n", peakRssMb());
    return 0;
}
