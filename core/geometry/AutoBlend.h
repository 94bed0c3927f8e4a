// The pixel rules of the automatic seams: their fade width, one seam of a
// camera, and how a camera's layer is cut and feathered at its two seams.
// Where the seams go is tuning/AutoSeams.h.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "geometry/BoundaryEdge.h"
#include "geometry/Feather.h"

// Fade width in pixels of the automatic seams, in the window and the command line.
constexpr int kAutoFadeWidth = 30;

// One automatic seam of a camera.
struct BlendEdge {
    int column = 0;  // in the camera's own image columns
    int kind = 0;    // 1: the camera's region starts here, 0: it ends here
    int width = 0;   // fade width in pixels, 0 = hard edge
};

// What autoCropAndFeather makes of an image `width` columns wide (prints the
// sequence error it prints).
CropPlan autoCropPlan(int width, BoundaryEdge first, int firstWidth, BoundaryEdge second,
                      int secondWidth);

// dst = `image` (CV_8UC4) kept between the two given edges (inclusive bounds),
// the rest cleared, each edge feathered with its own width. An empty or
// non-BGRA image changes nothing.
void autoCropAndFeather(const cv::Mat& image, cv::Mat& displayImage, BoundaryEdge first,
                        int firstWidth, BoundaryEdge second, int secondWidth);
