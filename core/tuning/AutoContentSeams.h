// Automatic seams in content mode: every pair of cameras the middle rule
// pairs up gets a seam that may change column from row to row, through the
// columns where the two cameras agree (findContentSeam), the upper camera
// fading across it and the lower one cut under the fade in each row.
#pragma once

#include <vector>

#include "geometry/AutoBlend.h"
#include "geometry/ContentSeam.h"
#include "project/LoadReport.h"

class Project;

// Columns of one camera alone kept beside each overlap strip: the seam's
// gradients need a neighbour, and the strip shows whose side is whose.
constexpr int kContentSeamMargin = 16;

// The content seams' options at automatic mode's fade width.
ContentSeamOptions contentSeamOptions(int fadeWidth);

// Places content seams for the middle rule's `table` (autoSeams; every
// camera has exactly two entries): each entry is matched to the overlap strip
// of the pair it came from, which gets a content seam. Every camera's
// displayImage becomes its remapped image with the seams cut into its alpha
// (a pixel that only this camera of a pair has stays whole) and imgBdy the
// outermost columns it keeps, with the kinds of its middle-rule entries, so
// region finding covers every kept pixel. project.placedSeams gets the seams.
// Returns 0, or -1 when some entry matches no strip: then no camera is
// changed and `failures`, when given, names the cameras.
int applyContentSeams(Project& project, const std::vector<std::vector<BlendEdge>>& table,
                      int fadeWidth, std::vector<CameraProblem>* failures = nullptr);
