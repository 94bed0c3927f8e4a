#pragma once

#include <QString>
#include <functional>

// What the caller of a remapper run sees and decides while it works.
struct RemapControl {
    // Called on the loading thread: first repeatedly while the remapper runs
    // (done = cameras whose three files exist so far), then once per analysed
    // camera (done = N + cameras analysed); total is always 2 N. Lets the
    // interface show progress and keep its dialog painted.
    std::function<void(int done, int total, const QString& stage)> progress;
    // Polled while the remapper runs: returning true ends the run.
    std::function<bool()> cancelled;
    // A remapper run taking longer than this many seconds is ended and fails
    // (0: no limit).
    int timeoutSeconds = 0;
};
