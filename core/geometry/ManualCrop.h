// Manual crop, trims and feathering of one camera's valid region, from the
// global blend and crop sliders and the camera's own trims.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "geometry/BoundaryEdge.h"
#include "geometry/Feather.h"

// The two (or, for unusual images, other) edges of `src`'s middle row after the
// crop `cutPx` and the trims dirL/dirR (slider values); unsorted.
std::vector<BoundaryEdge> scanTrimmedEdges(const cv::Mat& src, int cutPx, int dirL, int dirR);

// What manualCropAndFeather makes of `src` (CV_8UC4, not empty): sets `imgBdy`
// and prints what it prints, and returns the clearing and ramp widths it
// applies.
CropPlan manualCropPlan(const cv::Mat& src, int blendValue, int cutValue, int dirL, int dirR,
                        std::vector<BoundaryEdge>& imgBdy);

// What the manual crop and trims do to the valid columns of a camera's middle
// row (the row its boundary is taken from).
struct CropEffect {
    std::vector<BoundaryEdge> edges;  // the sorted boundary; other than two: no crop
    int validColumns = 0;             // valid columns of the middle row
    int clearedColumns = 0;           // of those, cleared by the crop
    // Some cleared column lies between kept ones, in the order the camera sees
    // its columns: the cuts went past the layer's sides and wrapped round.
    bool middle = false;
};
// Prints nothing; an empty or non-BGRA `src` has no effect.
CropEffect manualCropEffect(const cv::Mat& src, int cutValue, int dirL, int dirR);

// Copies `src` (CV_8UC4) into `dst`, clears the columns outside the trimmed
// boundary and feathers the alpha at every region edge; `imgBdy` becomes that
// boundary. An empty or non-BGRA `src` changes nothing.
void manualCropAndFeather(const cv::Mat& src, cv::Mat& dst, int blendValue, int cutValue, int dirL,
                          int dirR, std::vector<BoundaryEdge>& imgBdy);
