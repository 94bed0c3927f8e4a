// TIFF output of the remapper: the RGBA layer with its panorama position and
// the 32-bit float coordinate maps. The writers take whatever name they are
// given; nona2 gives them temporary names (see OutputFiles.h).
#pragma once

#include <tiffio.h>

#include <opencv2/core.hpp>
#include <string>

namespace nona2 {

// TIFF compression code for "NONE", "LZW", "DEFLATE" or "PACKBITS" (any case);
// -1 for anything else.
int compressionCode(const std::string& name);

// The XPosition/YPosition value (inches at 150 dpi) stored for a pixel
// offset, chosen so that a reader computing float(position) * 150 and
// truncating, or rounding, gets the offset back exactly.
float positionForOffset(int offset);

// Writes `bgra` (CV_8UC4) as 8-bit RGBA with unassociated alpha, 150 dpi and
// the position of its top-left pixel. False with a message on failure.
bool writeLayerTiff(const std::string& path, const cv::Mat& bgra, int left, int top,
                    int compression, std::string& error);
// Same into a TIFF handle opened for writing (the caller closes it); `name`
// is used in messages.
bool writeLayer(TIFF* tif, const std::string& name, const cv::Mat& bgra, int left, int top,
                int compression, std::string& error);
// Writes `map` (CV_32FC1) as one 32-bit IEEE float sample per pixel in strips.
bool writeMapTiff(const std::string& path, const cv::Mat& map, int compression, std::string& error);

}  // namespace nona2
