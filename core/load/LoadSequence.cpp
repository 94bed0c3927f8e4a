#include "load/LoadSequence.h"

#include <utility>

#include "file/Local8Bit.h"
#include "project/LayerMemory.h"
#include "remap/CameraInputs.h"
#include "remap/RemapRun.h"
#include "remap/RemapScript.h"
#include "system/Reporter.h"
#include "tuning/TuningChange.h"

LoadOutcome runLoadSequence(Project& project, const std::string& path, const LoadOptions& options) {
    LoadOutcome outcome;
    const ProjectFileResult read = project.loadProject(path);
    // Running the rest on the old project would only redo its remapping.
    if (read.status == ProjectFileResult::Status::NoPath) {
        outcome.pathEmpty = true;
        return outcome;
    }
    outcome.loadError = read.message;
    if (options.applySettings) {
        outcome.settingsError = options.applySettings(project, read);
        if (!outcome.settingsError.isEmpty()) return outcome;
    }
    // Limits the project file alone decides, before minutes of remapping.
    outcome.limitError =
        QString::fromLocal8Bit(tableLimitProblems(project, options.tables).c_str());

    // The last project's layers go first: they would only stand in the way.
    for (size_t i = 0; i < project.cameras.size(); ++i)
        dropCameraInputs(project.cameras[i], static_cast<int>(i));
    // Refused here, a project too large for the machine allocates nothing.
    outcome.memoryError = checkLayerMemory(project, remapperProgram(), options.shown);
    if (!outcome.memoryError.isEmpty()) {
        reportProblemf("%s\r\n", toLocal8BitString(outcome.memoryError).c_str());
        reportFlush();
        project.loaded = false;
    }
    if (!outcome.limitError.isEmpty() || !outcome.memoryError.isEmpty()) return outcome;
    const RemapResult remap = runRemapper(project, options.remap);
    outcome.remapperError = remap.message;
    outcome.camerasAnalysed = remap.analysed();
    if (!outcome.camerasAnalysed) {
        // Nothing was loaded. Of the cameras only the one the run was stuck
        // on is known to be at fault: the others were remapped or never reached.
        const int stuck = remap.stoppedAt;
        if (stuck >= 0 && stuck < static_cast<int>(project.cameras.size()))
            outcome.leftOutByAnalysis.push_back(
                {stuck, sourceFileName(project.cameras[static_cast<size_t>(stuck)].sourcePath),
                 "the remapper was stopped while it worked on it; it is left out of the tables"});
        outcome.leftOut = outcome.leftOutByAnalysis;
        if (options.analysed) options.analysed();
        project.loaded = true;
        return outcome;
    }
    outcome.leftOutByAnalysis = camerasLeftOut(project);
    if (options.analysed) options.analysed();
    project.loaded = true;

    // Automatic mode wants automatic seams on the new rig too, not the manual
    // crops the analysis computed.
    TuningOutcome seams = applyTuningChange(project, {TuningChange::Kind::Analysed});
    outcome.seamsFailed = seams.seamsFailed;
    outcome.seamFailures = std::move(seams.seamFailures);
    outcome.leftOut = seams.layersChanged ? camerasLeftOut(project) : outcome.leftOutByAnalysis;
    return outcome;
}
