#include "Remapper.h"

#include <algorithm>
#include <cstdint>
#include <future>
#include <memory>

#include "BicubicSampler.h"
#include "GridEvaluator.h"
#include "LayerBox.h"
#include "ParallelRows.h"
#include "SourceMask.h"
#include "system/MachineMemory.h"

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

int countValid(const cv::Mat& bgra) {
    int count = 0;
    for (int y = 0; y < bgra.rows; ++y) {
        const uint8_t* px = bgra.ptr<uint8_t>(y);
        for (int x = 0; x < bgra.cols; ++x) count += px[4 * x + 3] != 0;
    }
    return count;
}

// Rows per band: small enough that three band buffers stay in the cache's
// neighbourhood, large enough that each band keeps both workers busy.
constexpr int kBandRows = 16 * RectEvaluator::kRowStep;

// Evaluates `layer` band by band into `sink`; `clearInvalid` takes the source
// position from pixels outside the image. The sink takes the bands (counting,
// compressing, writing) on a thread of its own, in order, while the following
// bands are evaluated: with two bands of slack between them, neither the
// sink's serial parts nor the ends of either parallel pass, where one thread
// waits for the other, leave a core idle.
bool streamLayer(const PixelRect& layer, const WorkerTransforms& transforms,
                 const ImageSampler& sampler, bool exact, bool clearInvalid, LayerSink& sink,
                 int& validPixels, std::string& error) {
    if (!sink.begin(layer.left, layer.top, layer.width(), layer.height(), error)) return false;
    const RectEvaluator evaluator(layer, transforms, sampler, exact);
    constexpr int kBuffers = 3;
    Evaluation bands[kBuffers];
    // Declared after the bands: if evaluation throws, their destructors wait
    // for the sink before the bands it reads go away. Band k's in slot k % 3.
    std::shared_future<bool> handedOver[kBuffers];
    std::shared_future<bool> last;
    for (int top = layer.top, k = 0; top < layer.bottom; top += kBandRows, ++k) {
        const int slot = k % kBuffers;
        if (handedOver[slot].valid() && !handedOver[slot].get()) return false;
        Evaluation& band = bands[slot];
        evaluator.evaluateRows(top, std::min(layer.bottom, top + kBandRows), band);
        handedOver[slot] = std::async(std::launch::async, [&band, before = last, clearInvalid,
                                                           &sink, &validPixels, &error] {
                               // Rows go in order; a band the sink refused stops the rest.
                               if (before.valid() && !before.get()) return false;
                               validPixels += countValid(band.bgra);
                               if (clearInvalid) clearInvalidPositions(band);
                               return sink.rows(band.bgra, band.mapX, band.mapY, error);
                           }).share();
        last = handedOver[slot];
    }
    return !last.valid() || last.get();
}

// Keeps every band of a layer in one RemappedLayer.
class CollectingSink : public LayerSink {
public:
    CollectingSink(RemappedLayer& out, bool withMaps) : out_(out), withMaps_(withMaps) {}
    bool begin(int left, int top, int width, int height, std::string&) override {
        out_.left = left;
        out_.top = top;
        out_.bgra.create(height, width, CV_8UC4);
        if (withMaps_) {
            out_.mapX.create(height, width, CV_32FC1);
            out_.mapY.create(height, width, CV_32FC1);
        }
        return true;
    }
    bool rows(const cv::Mat& bgra, const cv::Mat& mapX, const cv::Mat& mapY,
              std::string&) override {
        const cv::Range range(filled_, filled_ + bgra.rows);
        bgra.copyTo(out_.bgra.rowRange(range));
        if (withMaps_) {
            mapX.copyTo(out_.mapX.rowRange(range));
            mapY.copyTo(out_.mapY.rowRange(range));
        }
        filled_ = range.end;
        return true;
    }

private:
    RemappedLayer& out_;
    bool withMaps_;
    int filled_ = 0;
};

// The part of the panorama layers are cut from: the S crop, else the canvas.
PixelRect layerCanvas(const PanoOptions& pano) {
    if (pano.hasCrop)
        return PixelRect{pano.cropLeft, pano.cropTop, pano.cropRight, pano.cropBottom};
    return PixelRect{0, 0, pano.width, pano.height};
}

// One sample every `step` pixels of `canvas`, as coarseRegion takes them.
uint64_t coarseSamples(const PixelRect& canvas, int step) {
    return uint64_t((canvas.width() + step - 1) / step + 1) *
           uint64_t((canvas.height() + step - 1) / step + 1);
}

constexpr int kCoarseStep = 8;

}  // namespace

uint64_t remapMemory(const PixelRect& layer, const ImageDesc& image, const RemapOptions& options) {
    const uint64_t w = static_cast<uint64_t>(std::max(layer.width(), 0));
    const uint64_t h = static_cast<uint64_t>(std::max(layer.height(), 0));
    // The source image as decoded (BGRA at most) and its mask.
    uint64_t bytes = uint64_t(std::max(image.width, 0)) * uint64_t(std::max(image.height, 0)) * 5;
    // The grid: two doubles and a flag per node, a node every 8 pixels.
    const uint64_t step = RectEvaluator::kRowStep;
    if (!options.exact) bytes += ((w + step - 1) / step + 3) * ((h + step - 1) / step + 3) * 17;
    // Three bands in flight (colour and both maps, 12 bytes a pixel) and per
    // file written a band's compressed strips (at most 1.5 times its 4 bytes a
    // pixel) and the rows of a strip waiting for the next band.
    const uint64_t band = std::min<uint64_t>(h, kBandRows) * w;
    const uint64_t files = options.withMaps ? 3 : 1;
    bytes += 3 * band * 12 + files * (band * 6 + 4 * w + 65536);
    // A tenth more for the heap's own (each thread allocates from an arena of
    // its own), and the libraries, threads and encoders' tables: measured
    // peaks of layers from 1110 x 747 to 30000 x 15000 come out at 0.7 to 0.9
    // of this.
    return bytes + bytes / 10 + (uint64_t(16) << 20);
}

bool planLayer(const PtoProject& project, int index, const RemapOptions& options, LayerPlan& plan,
               std::string& error) {
    const PanoOptions& pano = project.pano;
    const ImageDesc& image = project.images.at(static_cast<size_t>(index));
    const PixelRect canvas = layerCanvas(pano);
    plan = LayerPlan();
    if (!pano.cropLayers) {
        plan.layer = canvas;
        plan.need = remapMemory(canvas, image, options);
        return true;
    }
    PanoTransform t;
    if (!t.init(pano, image, PanoTransform::Direction::PanoToSource, error)) {
        error = project.path + ":" + std::to_string(image.line) + ": " + error;
        return false;
    }
    const cv::Size size(image.width, image.height);
    const cv::Mat mask = sourceMask(image, size);
    plan.layer = nonaLayerBox(pano, canvas, t, ImageSampler(size, mask));
    if (plan.layer.empty()) {
        // Found while remapping, from samples over the whole canvas.
        plan.known = false;
        plan.need = remapMemory(PixelRect{}, image, options) + coarseSamples(canvas, kCoarseStep);
    } else {
        plan.need = remapMemory(plan.layer, image, options);
    }
    return true;
}

bool remapImage(const PtoProject& project, int index, const cv::Mat& source,
                const RemapOptions& options, LayerSink& sink, int& validPixels,
                std::string& error) {
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

    const PixelRect canvas = layerCanvas(pano);

    validPixels = 0;
    if (!pano.cropLayers)
        return streamLayer(canvas, transforms, sampler, options.exact, false, sink, validPixels,
                           error);
    const PixelRect box = nonaLayerBox(pano, canvas, *transforms[0], sampler);
    if (!box.empty())
        return streamLayer(box, transforms, sampler, options.exact, true, sink, validPixels, error);
    // A footprint too small for the miniature: the exact box of its pixels.
    Evaluation eval;
    PixelRect bounds;
    constexpr int kStep = kCoarseStep;
    PixelRect region = coarseRegion(canvas, transforms, sampler, kStep);
    if (region.empty()) region = canvas;  // tiny or thin footprint: look everywhere
    for (;;) {
        // Evaluated whole: 12 bytes a pixel besides what a layer takes.
        const std::string shortfall = memoryShortfall(
            "image " + std::to_string(index) + ": looking for its footprint needs",
            remapMemory(region, image, options) + uint64_t(region.width()) * region.height() * 12,
            machineMemory());
        if (!shortfall.empty()) {
            error = project.path + ": " + shortfall;
            return false;
        }
        evaluate(region, transforms, sampler, options.exact, eval);
        bounds = validBounds(eval, validPixels);
        if (bounds.empty()) break;
        // A footprint touching the evaluated border may continue beyond it.
        const int grow = 8 * kStep;
        PixelRect wider = region;
        if (bounds.left == region.left) wider.left = std::max(canvas.left, region.left - grow);
        if (bounds.top == region.top) wider.top = std::max(canvas.top, region.top - grow);
        if (bounds.right == region.right) wider.right = std::min(canvas.right, region.right + grow);
        if (bounds.bottom == region.bottom)
            wider.bottom = std::min(canvas.bottom, region.bottom + grow);
        if (wider.left == region.left && wider.top == region.top && wider.right == region.right &&
            wider.bottom == region.bottom)
            break;
        region = wider;
    }
    if (bounds.empty()) {
        // Nothing of the image lands in the panorama: one transparent pixel.
        return sink.begin(canvas.left, canvas.top, 1, 1, error) &&
               sink.rows(cv::Mat(1, 1, CV_8UC4, cv::Scalar(0, 0, 0, 0)),
                         cv::Mat(1, 1, CV_32FC1, cv::Scalar(-1)),
                         cv::Mat(1, 1, CV_32FC1, cv::Scalar(-1)), error);
    }
    const cv::Rect roi(bounds.left - eval.rect.left, bounds.top - eval.rect.top, bounds.width(),
                       bounds.height());
    return sink.begin(bounds.left, bounds.top, bounds.width(), bounds.height(), error) &&
           sink.rows(eval.bgra(roi), eval.mapX(roi), eval.mapY(roi), error);
}

bool remapImage(const PtoProject& project, int index, const cv::Mat& source,
                const RemapOptions& options, RemappedLayer& out, std::string& error) {
    CollectingSink sink(out, options.withMaps);
    return remapImage(project, index, source, options, sink, out.validPixels, error);
}

}  // namespace nona2
