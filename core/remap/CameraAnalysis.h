// After a remapper run: every camera's files read and its layer analysed
// (boundary, display image) in index order.
#pragma once

#include <QString>

#include "project/Project.h"
#include "remap/RemapControl.h"

// Loads and analyses cameras 0..count-1 of `project` from their remapper
// outputs, reporting one progress step per camera. A layer reaching outside the
// panorama is refused (the camera is left empty) and reported; the first such
// refusal is returned, empty when there was none.
QString analyseCameras(Project& project, const RemapControl& control, int count);
