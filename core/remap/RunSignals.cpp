#include "remap/RunSignals.h"

#ifndef Q_OS_WIN
#include <atomic>

namespace {

// The running remapper's process group and the signal that interrupted the
// run, shared with the signal handler.
std::atomic<pid_t> activeGroup{0};
volatile sig_atomic_t interrupted = 0;

void endRunOnSignal(int sig) {
    interrupted = sig;
    const pid_t group = activeGroup.load();
    if (group > 0) kill(-group, SIGTERM);
}

}  // namespace

RunSignalGuard::RunSignalGuard() {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = endRunOnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
}

RunSignalGuard::~RunSignalGuard() {
    restore();
}

void RunSignalGuard::setActiveGroup(qint64 group) {
    activeGroup = static_cast<pid_t>(group);
}

int RunSignalGuard::interruptedBy() {
    return interrupted;
}

void RunSignalGuard::deliverPending() {
    restore();
    if (interrupted != 0) raise(interrupted);
}

void RunSignalGuard::restore() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
}

#else

RunSignalGuard::RunSignalGuard() = default;
RunSignalGuard::~RunSignalGuard() = default;
void RunSignalGuard::setActiveGroup(qint64) {}
int RunSignalGuard::interruptedBy() {
    return 0;
}
void RunSignalGuard::deliverPending() {}
void RunSignalGuard::restore() {}

#endif
