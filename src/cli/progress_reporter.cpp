#include "progress_reporter.h"

#include <QString>
#include <algorithm>
#include <cmath>

namespace nomispot::cli {

namespace {
constexpr int kRefreshMs = 200;
} // namespace

ProgressReporter::ProgressReporter(const QueryRunner& runner, int candidateCount, int delayMs,
                                   std::FILE* out, QObject* parent)
    : QObject(parent), m_runner(runner), m_candidateCount(candidateCount),
      m_delayMs(std::max(delayMs, 1)), m_out(out), m_timer(this) {
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

void ProgressReporter::print() {
    const int total = m_candidateCount;
    const QueryPhase* phase = m_runner.phase();
    const double seconds = static_cast<double>(phase ? phase->ticksLeft() : 0) * m_delayMs / 1000.0;
    const QString line = QStringLiteral("\r%1/%2 answered, about %3 s left\033[K")
                             .arg(std::min(m_runner.answered(), total))
                             .arg(total)
                             .arg(static_cast<long long>(std::ceil(seconds)));
    std::fputs(line.toLocal8Bit().constData(), m_out);
    std::fflush(m_out);
    m_shown = true;
}

} // namespace nomispot::cli
