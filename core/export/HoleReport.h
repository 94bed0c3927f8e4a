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

// Which of the project's settings leaves the holes, with the way out, e.g.
// "crop 0 clears the middle of cameras 0, 1 and 3; 20000 keeps each camera
// whole". Reads the tuning and the cameras' layers; prints nothing.
std::string holesCause(const Project& project, const CoverageReport& report);

// "cameras 0, 1 and 3" (or "camera 2").
std::string cameraList(const std::vector<int>& cameras);
