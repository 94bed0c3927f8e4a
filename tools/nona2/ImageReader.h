// Reads the source images of a project (JPEG, PNG, TIFF) straight through
// libjpeg, libpng and libtiff: the remapper starts once per camera, and the
// full OpenCV codec stack would cost more to load than the image to decode.
#pragma once

#include <opencv2/core.hpp>
#include <string>

namespace nona2 {

// 8-bit BGR (CV_8UC3), or BGRA (CV_8UC4) when the file carries alpha.
// False with a message naming the file when it cannot be read.
bool readImage(const std::string& path, cv::Mat& out, std::string& error);

}  // namespace nona2
