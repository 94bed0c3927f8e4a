// Every member of Camara: drawing through the installed painter, and the
// manual and automatic recompute of its boundary and display image, which the
// geometry functions do.
#include <utility>

#include "geometry/AutoBlend.h"
#include "geometry/ManualCrop.h"
#include "project/Project.h"

Camara::TexturePainter Camara::texturePainter;

Camara::Camara() = default;

void Camara::draw() {
    if (image.empty() || texture.cols() == 0 || texture.rows() == 0) return;
    const Project* p = currentProject();
    if (!p) return;
    // Each quotient in single precision, then widened.
    RectD window;
    window.x = static_cast<double>(static_cast<float>(offsetX) / static_cast<float>(p->panoWidth));
    window.y = static_cast<double>(static_cast<float>(offsetY) / static_cast<float>(p->panoHeight));
    window.w =
        static_cast<double>(static_cast<float>(image.cols) / static_cast<float>(p->panoWidth));
    window.h =
        static_cast<double>(static_cast<float>(image.rows) / static_cast<float>(p->panoHeight));
    drawTexture(texture, window, RectD{0, 0, 1, 1});
}

void Camara::drawTexture(cv::ogl::Texture2D& tex, const RectD& window, const RectD& texRect) {
    if (tex.cols() == 0 || tex.rows() == 0) return;
    if (texturePainter) texturePainter(*this, tex, window, texRect);
}

void Camara::refreshView() {
    if (image.empty() || image.type() != CV_8UC4) return;
    const Project* p = currentProject();
    const int blend = p ? p->blendValue : 0;
    const int cut = p ? p->cutValue : 0;
    const CropPlan plan = manualCropPlan(image, blend, cut, dirL, dirR, imgBdy);
    // The preview uploads displayImage with its own GL context current.
    markDisplayChanged(displayCache.apply(image, displayImage, plan));
}

void Camara::markDisplayChanged(const std::vector<cv::Rect>& areas) {
    // Past this many pieces a whole upload is as cheap as the bookkeeping.
    constexpr size_t kMostAreas = 256;
    if (textureStale || areas.empty()) return;
    const cv::Rect whole(0, 0, displayImage.cols, displayImage.rows);
    if (areas.front() == whole || textureStaleAreas.size() + areas.size() > kMostAreas) {
        textureStale = true;
        textureStaleAreas.clear();
        return;
    }
    textureStaleAreas.insert(textureStaleAreas.end(), areas.begin(), areas.end());
}

void Camara::cropAndFeather(const cv::Mat& src, cv::Mat& dst, int blendValue, int cutValue) {
    manualCropAndFeather(src, dst, blendValue, cutValue, dirL, dirR, imgBdy);
}

std::vector<BoundaryEdge> Camara::scanTrimmedBoundary(const cv::Mat& src, int cutPx) const {
    return scanTrimmedEdges(src, cutPx, dirL, dirR);
}

void Camara::applyAutoBoundary(BoundaryEdge first, int firstWidth, BoundaryEdge second,
                               int secondWidth) {
    if (image.empty() || image.type() != CV_8UC4) return;
    imgBdy = {first, second};
    const CropPlan plan = autoCropPlan(image.cols, first, firstWidth, second, secondWidth);
    markDisplayChanged(displayCache.apply(image, displayImage, plan));
}
