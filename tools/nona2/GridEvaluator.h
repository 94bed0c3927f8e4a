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
    // CV_32FC1 source column and row; -1 where the transform is undefined and
    // at transparent pixels whose position lies outside the source image.
    cv::Mat mapX, mapY;
    cv::Mat bgra;  // CV_8UC4; alpha 255 where the position is valid for the sampler, else all 0
};

// Evaluates every pixel of a rectangle on transforms.size() threads, all at
// once or band by band. With `exact`, libpano13 maps every pixel. Otherwise it
// maps a grid every 8 pixels and a spline fills each 8 x 8 cell in between,
// but only a cell whose 4 x 4 surrounding grid points are defined and whose
// centre the spline puts within 1/1000 pixel of libpano13's answer; every other
// cell (a lens edge, the rim of what a lens can see, a pole, a wrap) is mapped
// pixel by pixel, and a cell with no defined grid point and an undefined
// centre is left undefined. The grid is laid over the whole rectangle, so a
// pixel's result does not depend on how the rows are split into bands.
class RectEvaluator {
public:
    // Bands start this many rows apart from the rectangle's top (one grid cell).
    static constexpr int kRowStep = 8;

    // Prepares `r`; without `exact` this maps the grid. The transforms and the
    // sampler must outlive the evaluator.
    RectEvaluator(const PixelRect& r, const WorkerTransforms& transforms,
                  const ImageSampler& sampler, bool exact);
    // Evaluates the panorama rows [top, bottom) of the rectangle into `out`
    // (out.rect is that band). top - r.top must be a multiple of kRowStep, and
    // bottom too unless it is r.bottom.
    void evaluateRows(int top, int bottom, Evaluation& out) const;

private:
    void exactRows(int top, int bottom, Evaluation& out) const;
    void gridRows(int top, int bottom, Evaluation& out) const;

    PixelRect r_;
    const WorkerTransforms& transforms_;
    const ImageSampler& sampler_;
    bool exact_;
    int nodesX_ = 0;
    std::vector<double> nodeX_,
        nodeY_;  // grid node (i, j) at column r.left + (i - 1) * 8, row r.top + (j - 1) * 8
    std::vector<uint8_t> nodeOk_;
};

// The whole of `r` in one band.
void evaluate(const PixelRect& r, const WorkerTransforms& transforms, const ImageSampler& sampler,
              bool exact, Evaluation& out);

}  // namespace nona2
