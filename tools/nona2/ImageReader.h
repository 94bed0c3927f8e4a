// Reads the source images of a project (JPEG, PNG, TIFF) straight through
// libjpeg, libpng and libtiff: the remapper starts once per camera, and the
// full OpenCV codec stack would cost more to load than the image to decode.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "PtoProject.h"

namespace nona2 {

// 8-bit BGR (CV_8UC3), or BGRA (CV_8UC4) when the file carries alpha.
// False with a message naming the file when it cannot be read. With a
// non-empty `expected` size, a file whose header claims another size is refused
// before anything is decoded, so a damaged header cannot make us allocate what
// it claims. Whatever libtiff has to say about one file becomes one line on
// standard error.
bool readImage(const std::string& path, cv::Mat& out, std::string& error,
               cv::Size expected = cv::Size());

// Loads a source image for remapping as 8-bit BGR or BGRA (alpha kept as a
// mask). False with a message naming the file when it cannot be read or its
// size differs from the project's.
bool loadSourceImage(const ImageDesc& image, cv::Mat& out, std::string& error);

}  // namespace nona2
