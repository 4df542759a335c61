#include "progress_reporter.h"

#include <algorithm>
#include <cmath>

namespace nomispot::cli {

namespace {
constexpr int kRefreshMs = 200;
} // namespace

ProgressReporter::ProgressReporter(std::function<QString()> line, std::FILE* out, QObject* parent)
    : QObject(parent), m_line(std::move(line)), m_out(out), m_timer(this) {
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
    const QString line = u'\r' + m_line() + QStringLiteral("\033[K");
    std::fputs(line.toLocal8Bit().constData(), m_out);
    std::fflush(m_out);
    m_shown = true;
}

} // namespace nomispot::cli
