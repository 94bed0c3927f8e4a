// The load of a project as the window and the command line both run it: read
// the project file, apply the settings, run the remapper and analyse every
// camera (with progress, a time limit and a way to cancel), place automatic
// seams when the rig is in automatic mode, and tell what the tables would
// leave out. The front ends only turn the outcome into boxes, a status bar,
// console lines or an exit code.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "export/TableLimits.h"
#include "project/LoadReport.h"
#include "project/Project.h"
#include "remap/RemapControl.h"

struct LoadOptions {
    // Called once the project file is read, with what reading it came to,
    // before the remapper runs, so that the analysis already uses the settings'
    // crops and trims. A non-empty return ends the sequence there (nothing is
    // remapped) and comes back as LoadOutcome::settingsError.
    std::function<QString(Project&, const ProjectFileResult& read)> applySettings;
    // The tables the caller will write: what the project file alone says they
    // cannot hold ends the sequence before the remapper runs (the window
    // chooses none at load time and meets them at export).
    TableChoice tables;
    // Progress, cancel and time limit of the remapper run.
    RemapControl remap;
    // Called once every camera is analysed, before the automatic seams: the
    // front end shows the new rig there.
    std::function<void()> analysed;
    // The front end shows the layers (the window's textures hold them too),
    // which the memory check counts.
    bool shown = false;
};

struct LoadOutcome {
    bool pathEmpty = false;  // no path was given: nothing changed
    QString loadError;       // why the file gave no panorama size (ProjectFileResult)
    QString settingsError;   // why applySettings ended the sequence
    QString limitError;      // why the chosen tables cannot be made (TableLimits.h)
    // Why the layers cannot be loaded on this machine (memory needed and
    // available). Either error ends the sequence before the remapper, with
    // every camera empty; both are given when both hold.
    QString memoryError;
    QString remapperError;  // why the remapper run failed
    // False when the remapper never started or was ended: then no camera was
    // loaded, and the lists below name only the camera it was stopped on.
    bool camerasAnalysed = true;
    // Cameras the tables would leave out right after the analysis, and after
    // the automatic seams (the same list when the rig is not automatic).
    std::vector<CameraProblem> leftOutByAnalysis;
    std::vector<CameraProblem> leftOut;
    // Automatic mode could not place seams: every camera that has none, and
    // why. The records then keep the seams of the analysis.
    bool seamsFailed = false;
    std::vector<CameraProblem> seamFailures;
};

// Runs the load of `path` (local 8-bit) on `project`. An empty path only says
// so on the console. Prints nothing of its own; the steps report their lines
// through the installed reporter.
LoadOutcome runLoadSequence(Project& project, const std::string& path, const LoadOptions& options);
