#include "progress_reporter.h"

#include <QString>
#include <algorithm>
#include <cmath>

namespace nomispot::cli {

namespace {
constexpr int kRefreshMs = 200;
} // namespace

int ticksLeft(int pass, int retries, int leftThisPass, int pending) {
    const int laterPasses = std::max(0, retries - std::max(pass, 1));
    return std::max(0, leftThisPass) + 3 + laterPasses * (pending + 3) + 10;
}

ProgressReporter::ProgressReporter(const QueryRunner& runner, const CheckTable& table, int delayMs,
                                   int retries, std::FILE* out, QObject* parent)
    : QObject(parent), m_runner(runner), m_table(table), m_delayMs(std::max(delayMs, 1)),
      m_retries(retries), m_out(out), m_timer(this) {
    m_timer.setInterval(kRefreshMs);
    connect(&m_timer, &QTimer::timeout, this, &ProgressReporter::print);
}

ProgressReporter::~ProgressReporter() {
    stop();
}

void ProgressReporter::start() {
    m_timer.start();
    print();
}

void ProgressReporter::stop() {
    m_timer.stop();
    clearLine();
}

void ProgressReporter::clearLine() {
    if (!m_shown)
        return;
    std::fputs("\r\033[K", m_out);
    std::fflush(m_out);
    m_shown = false;
}

void ProgressReporter::querySent() {
    const int pass = m_runner.phase() ? m_runner.phase()->pass() : 0;
    if (pass != m_pass) {
        m_pass = pass;
        m_passPending = pendingCount();
        m_passSent = 0;
    }
    ++m_passSent;
}

int ProgressReporter::pendingCount() const {
    int pending = 0;
    for (int c = 1; c <= m_table.colCount(); ++c)
        for (int r = 1; r <= m_table.nameCount(); ++r)
            if (m_table.at(c, r).state == CheckState::Pending)
                ++pending;
    return pending;
}

void ProgressReporter::print() {
    const int total = m_table.candidateCount();
    const int pending = pendingCount();
    const int leftThisPass = m_pass == 0 ? pending : m_passPending - m_passSent;
    const double seconds =
        static_cast<double>(ticksLeft(m_pass, m_retries, leftThisPass, pending)) * m_delayMs /
        1000.0;
    const QString line = QStringLiteral("\r%1/%2 answered, about %3 s left\033[K")
                             .arg(std::min(m_runner.answered(), total))
                             .arg(total)
                             .arg(static_cast<long long>(std::ceil(seconds)));
    std::fputs(line.toLocal8Bit().constData(), m_out);
    std::fflush(m_out);
    m_shown = true;
}

} // namespace nomispot::cli
