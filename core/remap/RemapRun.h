// The remapper run: the work folder prepared (WorkFolder.h), one script
// calling the remapper once per camera run in it (RemapScript.h, ScriptRun.h,
// with signals met by RunSignals.h), then every camera loaded and analysed
// (CameraAnalysis.h), then the clean-up.
#pragma once

#include <QString>

#include "project/Project.h"
#include "remap/RemapControl.h"
#include "remap/RemapResult.h"

// Writes and runs the remapper script for every camera of `project` with the
// remapper beside the tool (remapperProgram), loads and analyses every camera,
// and removes what the run wrote; `control` reports progress and can end the
// run. Failures are reported as they happen and come back in the result.
RemapResult runRemapper(Project& project, const RemapControl& control = RemapControl());
// The same with an explicit remapper program.
RemapResult runRemapperWith(Project& project, const QString& remapper,
                            const RemapControl& control = RemapControl());
