// One change of the operator's tuning, and the one place that decides what it
// recomputes: while automatic mode is on, the automatic seams whenever what
// they depend on changed (the drawing order, the mode itself or its seam
// mode, the settings as a whole, a new analysis), and nothing for a blend, crop or trim, which wait
// until the mode is left; otherwise the manual crops of the cameras the change
// reaches. The window's controls, a settings reset and the load sequence all
// go through applyTuningChange; the window announces what it did to its views
// (ui/ProjectModel.h).
#pragma once

#include <vector>

#include "project/LoadReport.h"

class Project;

struct TuningChange {
    enum class Kind {
        Blend,         // value: the global blend width, slider units 0..60000
        Crop,          // value: the global crop, slider units
        TrimLeft,      // camera, value: that camera's left trim, slider units
        TrimRight,     // camera, value: its right trim
        MoveToTop,     // camera: drawn last, over every other
        MoveToBottom,  // camera: drawn first
        AutoMode,      // value: 1 automatic seams, 0 the manual crops
        Settings,      // every value was written at once (settings restored or reset)
        Analysed,      // every camera was just analysed with the manual crops (a load)
        SeamMode,      // value: 1 content seams, 0 the middle of the overlap
    };
    Kind kind;
    int camera = -1;
    int value = 0;
};

struct TuningOutcome {
    // The layers (display images, boundaries) or their drawing order changed:
    // the preview, the device view and the hole report must follow. False
    // when the value only waits (automatic mode) or nothing changed.
    bool layersChanged = false;
    // The automatic seams were placed and failed: no camera was changed, and
    // the list names every camera without two seams and why.
    bool seamsFailed = false;
    // The automatic seams were placed afresh (their figures are new).
    bool seamsPlaced = false;
    std::vector<CameraProblem> seamFailures;
};

// Writes `change` into `project` and recomputes what depends on it, as above.
// A camera index outside the rig, or a camera missing from the drawing order
// for a move, changes nothing. Prints nothing and shows nothing.
TuningOutcome applyTuningChange(Project& project, const TuningChange& change);
