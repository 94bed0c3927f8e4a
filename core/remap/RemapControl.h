#pragma once

#include <QString>
#include <functional>

// What the caller of a remapper run sees and decides while it works.
struct RemapControl {
    // Called on the loading thread, to let the interface show progress and keep
    // its dialog painted: repeatedly while the remapper runs (`done` of the
    // `total` cameras have their three files so far, starting at 0) ...
    std::function<void(int done, int total)> remapProgress;
    // ... then once per camera read and analysed (`done` of `total`, from 1).
    std::function<void(int done, int total)> analysisProgress;
    // Polled while the remapper runs: returning true ends the run.
    std::function<bool()> cancelled;
    // A remapper run taking longer than this many seconds is ended and fails
    // (0: no limit).
    int timeoutSeconds = 0;
};
