#include "interrupt_notifier.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace nomispot::cli {

namespace {

// A signal handler can reach nothing but static data; this is the write end of the pipe.
volatile std::sig_atomic_t s_wakeFd = -1;

extern "C" void onSigint(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(s_wakeFd, &byte, 1);
    errno = saved;
}

} // namespace

InterruptNotifier::InterruptNotifier(QObject* parent) : QObject(parent) {
    if (s_wakeFd != -1 || ::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    s_wakeFd = m_pipe[1];
    struct sigaction action = {};
    action.sa_handler = onSigint;
    sigemptyset(&action.sa_mask);
    // One-shot: a second Ctrl+C while the first is handled ends the process.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    if (::sigaction(SIGINT, &action, nullptr) != 0) {
        s_wakeFd = -1;
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &InterruptNotifier::readPipe);
}

InterruptNotifier::~InterruptNotifier() {
    if (m_notifier) {
        struct sigaction action = {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, nullptr);
        s_wakeFd = -1;
        m_notifier.reset(); // before its descriptor is closed
    }
    for (int fd : m_pipe)
        if (fd != -1)
            ::close(fd);
}

void InterruptNotifier::readPipe() {
    char bytes[16];
    while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
    }
    emit interrupted();
}

} // namespace nomispot::cli
