#include "Remapper.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "BicubicSampler.h"
#include "GridEvaluator.h"
#include "LayerBox.h"
#include "ParallelRows.h"
#include "SourceMask.h"

namespace nona2 {
namespace {

// Bounding box of the pixels with non-zero alpha, in panorama coordinates.
PixelRect validBounds(const Evaluation& e, int& count) {
    PixelRect b{e.rect.right, e.rect.bottom, e.rect.left, e.rect.top};
    count = 0;
    for (int y = 0; y < e.bgra.rows; ++y) {
        const uint8_t* px = e.bgra.ptr<uint8_t>(y);
        for (int x = 0; x < e.bgra.cols; ++x) {
            if (!px[4 * x + 3]) continue;
            ++count;
            b.left = std::min(b.left, e.rect.left + x);
            b.right = std::max(b.right, e.rect.left + x + 1);
            b.top = std::min(b.top, e.rect.top + y);
            b.bottom = std::max(b.bottom, e.rect.top + y + 1);
        }
    }
    return b;
}

// Pixels outside the image keep no source position, so nothing downstream can
// take a masked or cropped-away source pixel for a usable one.
void clearInvalidPositions(Evaluation& e) {
    for (int y = 0; y < e.bgra.rows; ++y) {
        const uint8_t* px = e.bgra.ptr<uint8_t>(y);
        float* mx = e.mapX.ptr<float>(y);
        float* my = e.mapY.ptr<float>(y);
        for (int x = 0; x < e.bgra.cols; ++x)
            if (!px[4 * x + 3]) mx[x] = my[x] = -1.0f;
    }
}

}  // namespace

bool remapImage(const PtoProject& project, int index, const cv::Mat& source,
                const RemapOptions& options, RemappedLayer& out, std::string& error) {
    const PanoOptions& pano = project.pano;
    const ImageDesc& image = project.images.at(static_cast<size_t>(index));
    const int workers = workerCount(options.threads);
    WorkerTransforms transforms;
    for (int w = 0; w < workers; ++w) {
        transforms.push_back(std::make_unique<PanoTransform>());
        if (!transforms.back()->init(pano, image, PanoTransform::Direction::PanoToSource, error)) {
            error = project.path + ":" + std::to_string(image.line) + ": " + error;
            return false;
        }
    }
    const cv::Mat mask = sourceMask(image, source);
    const ImageSampler sampler(source, mask);

    PixelRect canvas{0, 0, pano.width, pano.height};
    if (pano.hasCrop)
        canvas = PixelRect{pano.cropLeft, pano.cropTop, pano.cropRight, pano.cropBottom};

    Evaluation eval;
    PixelRect bounds;
    if (!pano.cropLayers) {
        evaluate(canvas, transforms, sampler, options.exact, eval);
        validBounds(eval, out.validPixels);
        bounds = canvas;
    } else if (!(bounds = nonaLayerBox(pano, canvas, *transforms[0], sampler)).empty()) {
        evaluate(bounds, transforms, sampler, options.exact, eval);
        validBounds(eval, out.validPixels);
        clearInvalidPositions(eval);
    } else {
        // A footprint too small for the miniature: the exact box of its pixels.
        constexpr int kStep = 8;
        PixelRect region = coarseRegion(canvas, transforms, sampler, kStep);
        if (region.empty()) region = canvas;  // tiny or thin footprint: look everywhere
        for (;;) {
            evaluate(region, transforms, sampler, options.exact, eval);
            bounds = validBounds(eval, out.validPixels);
            if (bounds.empty()) break;
            // A footprint touching the evaluated border may continue beyond it.
            const int grow = 8 * kStep;
            PixelRect wider = region;
            if (bounds.left == region.left) wider.left = std::max(canvas.left, region.left - grow);
            if (bounds.top == region.top) wider.top = std::max(canvas.top, region.top - grow);
            if (bounds.right == region.right)
                wider.right = std::min(canvas.right, region.right + grow);
            if (bounds.bottom == region.bottom)
                wider.bottom = std::min(canvas.bottom, region.bottom + grow);
            if (wider.left == region.left && wider.top == region.top &&
                wider.right == region.right && wider.bottom == region.bottom)
                break;
            region = wider;
        }
        if (bounds.empty()) {
            // Nothing of the image lands in the panorama: one transparent pixel.
            out.left = canvas.left;
            out.top = canvas.top;
            out.bgra = cv::Mat(1, 1, CV_8UC4, cv::Scalar(0, 0, 0, 0));
            out.mapX = cv::Mat(1, 1, CV_32FC1, cv::Scalar(-1));
            out.mapY = cv::Mat(1, 1, CV_32FC1, cv::Scalar(-1));
            return true;
        }
    }
    const cv::Rect roi(bounds.left - eval.rect.left, bounds.top - eval.rect.top, bounds.width(),
                       bounds.height());
    out.left = bounds.left;
    out.top = bounds.top;
    // Usually the layer is all that was evaluated: no copy of three
    // canvas-sized buffers then.
    const bool whole = roi.width == eval.bgra.cols && roi.height == eval.bgra.rows;
    auto take = [&](const cv::Mat& m) { return whole ? m : m(roi).clone(); };
    out.bgra = take(eval.bgra);
    if (options.withMaps) {
        out.mapX = take(eval.mapX);
        out.mapY = take(eval.mapY);
    }
    return true;
}

}  // namespace nona2
