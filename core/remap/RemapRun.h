// The remapper run: the work folder prepared (WorkFolder.h), one script
// calling the remapper once per camera run in it (RemapScript.h, ScriptRun.h,
// with signals met by RunSignals.h), then every camera loaded and analysed
// (CameraAnalysis.h), then the clean-up.
#pragma once

#include <QString>

#include "project/Project.h"
#include "remap/RemapControl.h"

// Writes and runs the remapper script, loads and analyses every camera, and
// removes what the run wrote; `control` reports progress and can end the run.
void runRemapper(Project& project, const RemapControl& control = RemapControl());

// runRemapper with an explicit remapper program. Returns the failure
// message also stored in project.lastRemapperError (empty after a clean run).
QString runRemapperWith(Project& project, const QString& remapper,
                        const RemapControl& control = RemapControl());
