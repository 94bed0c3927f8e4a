// Writers for the files a remapper leaves behind, so the loading code can be
// tested without one.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "Layers.h"

struct MapTiffLayout {
    int rowsPerStrip = 0;  // 0: one strip for the whole image
    bool tiled = false;
    int bitsPerSample = 32;
    int samplesPerPixel = 1;
    int sampleFormat = 3;    // IEEE float
    int stripsWritten = -1;  // < 0: all; otherwise the later strips are left out
};

// A float map in the layout the remapper writes (or a deliberately wrong one).
// With the default layout `values` must be CV_32FC1; otherwise only its size is
// used and the samples are zero.
bool writeMapTiff(const std::string& path, const cv::Mat& values, const MapTiffLayout& layout = {});

// An 8-bit BGRA image with optional position tags (in inches; < 0 = no tag).
bool writeImageTiff(const std::string& path, const cv::Mat& bgra, float xPosition = -1,
                    float yPosition = -1);
