// The results window's cost during a run: 2,048 candidates against NSD, the window shown, at a
// delay of 1 ms and of 5 ms. Prints the send span against the schedule and the CPU time per
// reply. Run on a display, e.g. tests/wm/run_under_openbox.sh build/bin/bench_window_pacing.
#include "names/frm_main.h"
#include "nsd_server.h"
#include "results/frm_results.h"
#include "test_app.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStringList>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace nomispot;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Figures {
    double spanRatio = 0;
    double cpuPerQueryUs = 0; // every query gets a reply: an answer or a refusal
    int sends = 0;
    int answered = 0;
};

Figures runOnce(int delayMs) {
    test::TestApp app;
    app.state.dns = {QStringLiteral("127.53.0.9"), static_cast<std::int16_t>(delayMs), 1};
    frmMain window(app.state);
    window.show();
    QStringList names;
    for (int i = 0; i < 256; ++i)
        names << (i % 2 ? QStringLiteral("taken") : QStringLiteral("free%1").arg(i));
    window.findChild<QLineEdit*>(QStringLiteral("names"))->setText(names.join(u' '));

    std::vector<qint64> sentAt;
    QElapsedTimer clock;
    clock.start();
    window.activate_Click();
    frmResults* results = window.results();
    QObject::connect(&results->runner(), &QueryRunner::querySent,
                     [&] { sentAt.push_back(clock.nsecsElapsed()); });
    const double cpuBefore = cpuSeconds();
    while (results->stage() != frmResults::Stage::Finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double cpu = cpuSeconds() - cpuBefore;

    Figures f;
    f.sends = static_cast<int>(sentAt.size());
    f.answered = results->runner().answered();
    // One tick after each send: the last send is (sends - 1) ticks after the first.
    const double spanMs = static_cast<double>(sentAt.back() - sentAt.front()) / 1e6;
    f.spanRatio = spanMs / ((f.sends - 1) * static_cast<double>(delayMs));
    f.cpuPerQueryUs = cpu / std::max(1, f.sends) * 1e6;
    results->close();
    QCoreApplication::processEvents();
    return f;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    test::NsdServer nsd(QStringLiteral("127.53.0.9"), test::NsdServer::standardZones());
    if (!nsd.start()) {
        std::fprintf(stderr, "cannot start NSD: %s\n", qPrintable(nsd.skipReason()));
        return 1;
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::printf("%6s %10s %14s %8s %9s\n", "delay", "span/sched", "cpu/query us", "sends",
                "answered");
    for (const int delayMs : {1, 5})
        for (int i = 0; i < rounds; ++i) {
            const Figures f = runOnce(delayMs);
            std::printf("%4dms %10.4f %14.1f %8d %9d\n", delayMs, f.spanRatio, f.cpuPerQueryUs,
                        f.sends, f.answered);
            std::fflush(stdout);
        }
    return 0;
}
