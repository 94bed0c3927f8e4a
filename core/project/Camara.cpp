// Every member of Camara: drawing through the installed painter, and the
// manual and automatic recompute of its boundary and display image, which the
// geometry functions do.
#include "project/Camara.h"

#include <algorithm>
#include <utility>

#include "geometry/AutoBlend.h"
#include "geometry/ManualCrop.h"

Camara::TexturePainter Camara::texturePainter;

Camara::Camara() = default;

void Camara::draw(int panoWidth, int panoHeight) {
    if (image.empty() || texture.cols() == 0 || texture.rows() == 0) return;
    // Each quotient in single precision, then widened.
    RectD window;
    window.x = static_cast<double>(static_cast<float>(offsetX) / static_cast<float>(panoWidth));
    window.y = static_cast<double>(static_cast<float>(offsetY) / static_cast<float>(panoHeight));
    window.w = static_cast<double>(static_cast<float>(image.cols) / static_cast<float>(panoWidth));
    window.h = static_cast<double>(static_cast<float>(image.rows) / static_cast<float>(panoHeight));
    const std::vector<cv::Rect> parts = drawnParts();
    if (parts.empty()) {
        drawTexture(texture, window, RectD{0, 0, 1, 1});
        return;
    }
    for (const cv::Rect& part : parts) {
        const RectD tex{static_cast<double>(part.x) / image.cols,
                        static_cast<double>(part.y) / image.rows,
                        static_cast<double>(part.width) / image.cols,
                        static_cast<double>(part.height) / image.rows};
        drawTexture(texture,
                    RectD{window.x + tex.x * window.w, window.y + tex.y * window.h,
                          tex.w * window.w, tex.h * window.h},
                    tex);
    }
}

std::vector<cv::Rect> Camara::drawnParts() {
    // A linear filter reads texels less than one texel from the sample point, so
    // two texels of margin keep every fragment that can see a valid texel.
    constexpr int kMargin = 2;
    const int w = image.cols, h = image.rows;
    struct Bounds {
        int x0, y0, x1, y1;  // inclusive
    };
    std::vector<Bounds> parts;
    for (const cv::Rect& r : displayCache.validRegions(image, displayImage)) {
        Bounds b{std::max(r.x - kMargin, 0), std::max(r.y - kMargin, 0),
                 std::min(r.br().x - 1 + kMargin, w - 1), std::min(r.br().y - 1 + kMargin, h - 1)};
        // The texture repeats: fragments at one border read texels of the other.
        if (b.y0 == 0 || b.y1 == h - 1) {
            b.y0 = 0;
            b.y1 = h - 1;
        }
        // Parts never share a column, so no fragment is blended twice.
        if (!parts.empty() && b.x0 <= parts.back().x1 + 1) {
            Bounds& last = parts.back();
            last = {last.x0, std::min(last.y0, b.y0), b.x1, std::max(last.y1, b.y1)};
        } else {
            parts.push_back(b);
        }
    }
    if (!parts.empty() && (parts.front().x0 == 0 || parts.back().x1 == w - 1)) {
        const int y0 = std::min(parts.front().y0, parts.back().y0);
        const int y1 = std::max(parts.front().y1, parts.back().y1);
        for (Bounds* b : {&parts.front(), &parts.back()}) {
            b->y0 = y0;
            b->y1 = y1;
        }
        parts.front().x0 = 0;
        parts.back().x1 = w - 1;
    }
    std::vector<cv::Rect> rects;
    for (const Bounds& b : parts) rects.emplace_back(b.x0, b.y0, b.x1 - b.x0 + 1, b.y1 - b.y0 + 1);
    return rects;
}

void Camara::drawTexture(cv::ogl::Texture2D& tex, const RectD& window, const RectD& texRect) {
    if (tex.cols() == 0 || tex.rows() == 0) return;
    if (texturePainter) texturePainter(*this, tex, window, texRect);
}

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
