#include "core/platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

const int handled[] = {SIGTERM, SIGINT, SIGHUP};

// Written by the handler, read on the main thread: a signal handler may do no more than this.
int wakeUp[2] = {-1, -1};
volatile std::sig_atomic_t receivedSignal = 0;

void onSignal(int signal) {
    receivedSignal = signal;
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeUp[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals() {
    if (wakeUp[0] < 0 && ::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(wakeUp[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::takeSignal);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Once taken, the signal's default comes back: a second one ends the process at once.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : handled)
        ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_)
        return;
    for (const int signal : handled)
        std::signal(signal, SIG_DFL);
}

int TerminationSignals::received() {
    return receivedSignal;
}

void TerminationSignals::takeSignal() {
    char bytes[16];
    while (::read(wakeUp[0], bytes, sizeof bytes) > 0) {
    }
    Q_EMIT terminationRequested();
}
