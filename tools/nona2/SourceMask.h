// Which pixels of a source image may appear in the panorama.
#pragma once

#include <opencv2/core.hpp>

#include "PtoProject.h"

namespace nona2 {

// Valid-pixel mask of the source image (CV_8UC1 of its size, 255 = usable)
// from its crop rectangle or circle, its exclude masks and its own alpha
// channel (alpha 0 = unusable); empty when every pixel is usable.
cv::Mat sourceMask(const ImageDesc& image, const cv::Mat& source);
// The same from the project alone (crop and masks, no alpha channel), for an
// image of `size` not read yet.
cv::Mat sourceMask(const ImageDesc& image, cv::Size size);

}  // namespace nona2
