// SIGINT and SIGTERM during a remapper run: while a guard lives they end the
// remapper's process group instead of the tool, the run cleans up, and then
// deliverPending() lets the signal take its normal course. On Windows there
// are no such signals to meet and the guard does nothing.
#pragma once

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <signal.h>
#endif

class RunSignalGuard {
public:
    RunSignalGuard();
    ~RunSignalGuard();
    RunSignalGuard(const RunSignalGuard&) = delete;
    RunSignalGuard& operator=(const RunSignalGuard&) = delete;

    // The process group a signal ends (the running script's); 0: none.
    static void setActiveGroup(qint64 group);
    // The signal that arrived while a guard lived, 0 when none did.
    static int interruptedBy();
    // After the clean-up: the interrupting signal, delivered as if this guard
    // had not been there.
    void deliverPending();

private:
    void restore();
#ifndef Q_OS_WIN
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
#endif
};
