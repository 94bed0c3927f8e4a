// The remapper run: one script calling the remapper once per camera, run in the
// work folder, then every camera loaded and analysed, then the clean-up.
#pragma once

#include <QString>

#include "project/Project.h"
#include "remap/RemapControl.h"

// The remapper beside the tool's own executable: "<app dir>/nona2" (on Windows
// "<app dir>\nona2.exe"). Needs a QCoreApplication.
QString remapperProgram();

// Writes the script that runs `remapper` once per camera (index order) with
// "-c -z LZW -r ldr -m TIFF_m -o pic -i <i> <ptoPath>" into `workFolder` (created
// one level deep when missing) and returns its path: "nona.bat" on Windows,
// "nona.sh" (POSIX shell, every path quoted) elsewhere. Returns an empty string
// when the script cannot be written.
QString writeRemapBatch(const QString& workFolder, int count, const QString& ptoPath,
                        const QString& remapper);
QString writeRemapBatch(const QString& workFolder, int count, const QString& ptoPath);

// True when `folder` is gone afterwards or never existed; false at the first entry
// that could not be removed (the rest stays). Links are removed, not followed.
bool removeFolderRecursive(const QString& folder);

// Writes and runs the remapper script, loads and analyses every camera, and
// removes what the run wrote; `control` reports progress and can end the run.
void runRemapper(Project& project, const RemapControl& control = RemapControl());

// runRemapper with an explicit remapper program. Returns the failure
// message also stored in project.lastRemapperError (empty after a clean run).
QString runRemapperWith(Project& project, const QString& remapper,
                        const RemapControl& control = RemapControl());
