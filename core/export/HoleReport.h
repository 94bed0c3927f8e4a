// What the front ends say about a table with holes: how much of what the
// cameras see it leaves black, where, and which setting causes it. The
// command line prints it, the window shows it; both in these words.
#pragma once

#include <string>

#include "export/PanoramaCoverage.h"

class Project;

// "34.56% of what the cameras see has no weight (878964 of 2543552 pixels):
// camera 0 at panorama columns 1714-2125, camera 1 at columns 2674-3085".
std::string describeHoles(const CoverageReport& report);

// Which of the project's settings leaves a camera's holes, judged on the
// camera's middle row, where its cuts are taken.
struct HoleCause {
    enum class Kind {
        AutomaticSeams,    // the automatic seams give the pixels to no camera
        CropClearsAll,     // the crop leaves none of the camera's middle row
        CropClearsMiddle,  // the crop's cuts passed the layer's sides and wrapped round
        CropCutsSides,     // the cuts lie past the overlap with the neighbours
        RowsPastCuts,      // rows other than the middle one reach past the cuts
    };
    Kind kind = Kind::AutomaticSeams;
    std::vector<int> cameras;  // ascending
    bool withTrims = false;    // the cameras' trims take part in the crop
};
// One entry per kind that occurs, in the order of Kind. Reads the tuning and
// the cameras' layers; prints nothing.
std::vector<HoleCause> holeCauses(const Project& project, const CoverageReport& report);

// The causes in words, with the way out, e.g. "crop 0 clears the middle of
// cameras 0, 1 and 3 (the cuts pass the layer's sides and wrap round); 20000
// keeps each camera whole".
std::string holesCause(const Project& project, const CoverageReport& report);

// "cameras 0, 1 and 3" (or "camera 2").
std::string cameraList(const std::vector<int>& cameras);
