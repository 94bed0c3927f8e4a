// Test-only readers that read our TIFF outputs the way the tool's loader
// does: maps strip by strip into one buffer, positions as float * 150
// truncated.
#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace testtiff {

// Single-channel float map (empty when the file cannot be read).
cv::Mat readFloatMap(const std::string& path);

struct Position {
    bool present = false;
    int x = 0;
    int y = 0;
};
// XPosition/YPosition as single-precision floats times 150, truncated.
Position readLoaderPosition(const std::string& path);
// XPosition/YPosition times XResolution/YResolution, rounded (for nona's files).
Position readRoundedPosition(const std::string& path);

// Checks the map file's layout: one 32-bit IEEE float sample, striped.
bool isStripedFloatMap(const std::string& path, std::string& why);

}  // namespace testtiff
