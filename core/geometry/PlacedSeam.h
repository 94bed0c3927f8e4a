// A per-row seam as automatic content seams placed it between two cameras,
// kept with the project so the preview can draw the line the cut follows.
#pragma once

#include "geometry/OverlapStrip.h"
#include "geometry/RowSeam.h"

struct PlacedSeam {
    int upper = -1;  // camera index, later in the drawing order
    int lower = -1;
    StripFrame frame;  // where the seam's strip columns and rows lie in the panorama
    RowSeam seam;
};
