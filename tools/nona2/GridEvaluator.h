// The remapper's pass over a rectangle of the panorama: for every pixel, where
// it comes from in the source image and, where it belongs to the image, its
// colour.
#pragma once

#include <memory>
#include <opencv2/core.hpp>
#include <vector>

#include "BicubicSampler.h"
#include "PanoTransform.h"
#include "PixelRect.h"

namespace nona2 {

// One transform per worker thread (libpano13's state is not shared), all set
// up alike, panorama to source.
using WorkerTransforms = std::vector<std::unique_ptr<PanoTransform>>;

// The pass's result, one element per pixel of `rect` (row 0 = rect.top).
struct Evaluation {
    PixelRect rect;
    cv::Mat mapX, mapY;  // CV_32FC1 source column and row, -1 where the transform is undefined
    cv::Mat bgra;  // CV_8UC4; alpha 255 where the position is valid for the sampler, else all 0
};

// Evaluates every pixel of `r` on transforms.size() threads. With `exact`,
// libpano13 maps every pixel. Otherwise it maps a grid every 8 pixels and a
// spline fills each 8 x 8 cell in between, but only a cell whose 4 x 4
// surrounding grid points are defined and whose centre the spline puts within
// 1/1000 pixel of libpano13's answer; every other cell (a lens edge, the rim of
// what a lens can see, a pole, a wrap) is mapped pixel by pixel, and a cell
// with no defined grid point and an undefined centre is left undefined.
void evaluate(const PixelRect& r, const WorkerTransforms& transforms, const ImageSampler& sampler,
              bool exact, Evaluation& out);

}  // namespace nona2
