#include "project/LoadSequence.h"

#include "geometry/AutoBlend.h"

LoadOutcome runLoadSequence(Project& project, const std::string& path, const LoadOptions& options) {
    LoadOutcome outcome;
    project.loadProject(path);
    // Running the rest on the old project would only redo its remapping.
    if (path.empty()) {
        outcome.pathEmpty = true;
        return outcome;
    }
    outcome.loadError = project.lastLoadError;
    if (options.applySettings) {
        outcome.settingsError = options.applySettings(project);
        if (!outcome.settingsError.isEmpty()) return outcome;
    }

    project.runRemapper(options.remap);
    outcome.remapperError = project.lastRemapperError;
    outcome.leftOutByAnalysis = camerasLeftOut(project);
    if (options.analysed) options.analysed();
    project.loaded = true;

    // Automatic mode wants automatic seams on the new rig too, not the manual
    // crops the analysis computed.
    if (project.autoMode) {
        outcome.seamsFailed = autoBlend(kAutoFadeWidth, &outcome.seamFailures) != 0;
        outcome.leftOut = camerasLeftOut(project);
    } else {
        outcome.leftOut = outcome.leftOutByAnalysis;
    }
    return outcome;
}
