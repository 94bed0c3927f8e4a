// Test-only: a layer's panorama offset as the tool's loader reads it, so the
// remapper's files are checked against their one consumer (the maps go
// through the loader's readMapTiff directly).
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "remap/CameraInputs.h"

// XPosition and YPosition times 150, truncated; (-1, -1) when unreadable.
inline cv::Point loaderOffset(const std::string& layerPath) {
    Camara cam;
    cam.imagePath = layerPath;
    return readImagePosition(cam) ? cv::Point(cam.offsetX, cam.offsetY) : cv::Point(-1, -1);
}
