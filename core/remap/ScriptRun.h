// One run of the remapper script in the work folder: started in a process
// group of its own, waited for in short steps with progress, and ended on a
// time limit, a cancel request or a signal.
#pragma once

#include <QString>

#include "project/Project.h"
#include "remap/RemapControl.h"

// Runs `script` (written by writeRemapBatch for `count` cameras of `project`)
// with the current directory as it is, and waits for it. Returns an empty
// string or why the run failed, naming `remapper`; `stoppedAt` is the camera
// being remapped when the run was ended, -1 when it ran to its end. Progress
// counts the cameras whose three files exist in project.tiffPath.
QString runRemapScript(const Project& project, const RemapControl& control, const QString& script,
                       const QString& remapper, int count, int& stoppedAt);
