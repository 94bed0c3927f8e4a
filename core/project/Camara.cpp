// Every member of Camara: the manual and automatic recompute of its boundary
// and display image, which the geometry functions do.
#include "project/Camara.h"

#include <utility>

#include "geometry/AutoBlend.h"
#include "geometry/ManualCrop.h"

Camara::Camara() = default;

void Camara::refreshView(int blendValue, int cutValue) {
    if (image.empty() || image.type() != CV_8UC4) return;
    const CropPlan plan = manualCropPlan(image, blendValue, cutValue, dirL, dirR, imgBdy);
    // The preview uploads displayImage with its own GL context current.
    markDisplayChanged(displayCache.apply(image, displayImage, plan));
}

namespace {

// Adds `areas` of an image of `size` to what a consumer lacks (`whole`, or
// only `stale`).
void addStaleAreas(bool& whole, std::vector<cv::Rect>& stale, const std::vector<cv::Rect>& areas,
                   cv::Size size) {
    // Past this many pieces a whole upload is as cheap as the bookkeeping.
    constexpr size_t kMostAreas = 256;
    if (whole || areas.empty()) return;
    if (areas.front() == cv::Rect(cv::Point(), size) || stale.size() + areas.size() > kMostAreas) {
        whole = true;
        stale.clear();
        return;
    }
    stale.insert(stale.end(), areas.begin(), areas.end());
}

}  // namespace

void Camara::markDisplayChanged(const std::vector<cv::Rect>& areas) {
    addStaleAreas(textureStale, textureStaleAreas, areas, displayImage.size());
    addStaleAreas(coverageStale, coverageStaleAreas, displayCache.weightChanges(),
                  displayImage.size());
}

void Camara::applyAutoBoundary(BoundaryEdge first, int firstWidth, BoundaryEdge second,
                               int secondWidth) {
    if (image.empty() || image.type() != CV_8UC4) return;
    imgBdy = {first, second};
    const CropPlan plan = autoCropPlan(image.cols, first, firstWidth, second, secondWidth);
    markDisplayChanged(displayCache.apply(image, displayImage, plan));
}

void Camara::applySeamedDisplay(const cv::Mat& display, std::vector<BoundaryEdge> boundary) {
    imgBdy = std::move(boundary);
    // The incremental crop knows nothing of per-row cuts: the next refresh
    // rebuilds from the image.
    displayCache.clear();
    displayImage = display;
    textureStale = true;
    textureStaleAreas.clear();
    coverageStale = true;
    coverageStaleAreas.clear();
}
