// Manual crop, trims and feathering of one camera's valid region.
#include "geometry/ManualCrop.h"

#include <algorithm>
#include <cstdio>

#include "geometry/Feather.h"
#include "system/Reporter.h"

namespace {
bool validAt(const cv::Mat& image, int row, int col) {
    return image.ptr<uchar>(row)[col * 4 + 3] != 0;
}
}  // namespace

std::vector<BoundaryEdge> scanTrimmedEdges(const cv::Mat& src, int cutPx, int dirL, int dirR) {
    std::vector<BoundaryEdge> edges;
    if (src.empty() || src.type() != CV_8UC4) return edges;
    const int w = src.cols;
    const int m = src.rows / 2;
    const int startTrim = trimPixels(cutPx, dirR, w);
    const int endTrim = trimPixels(cutPx, dirL, w);
    bool inside = validAt(src, m, 0);
    for (int k = 0; k < w; ++k) {
        const bool valid = validAt(src, m, k);
        if (valid && !inside) {
            // Each wrap is applied once only; stored tables rely on these columns.
            int c = k - startTrim;
            if (c >= w - 1) c -= w - 1;
            if (c < 0) c += w - 1;
            edges.push_back({c, 1});
            inside = true;
        } else if (!valid && inside) {
            int c = k + endTrim;
            if (c < 0) c += w - 1;
            if (c >= w) c -= w - 1;
            edges.push_back({c, 0});
            inside = false;
        }
    }
    if (edges.size() == 1) {
        if (validAt(src, m, 0))
            edges.push_back({startTrim, 1});
        else
            edges.push_back({w - endTrim - 1, 0});
    }
    return edges;
}

namespace {

// The columns a sorted two-edge boundary clears: none when its columns are
// equal (a sequence error) or its kinds are.
CropPlan cropOf(const std::vector<BoundaryEdge>& bdy, int w) {
    const BoundaryEdge e0 = bdy[0];
    const BoundaryEdge e1 = bdy[1];
    CropPlan plan;
    if (e0.column >= e1.column) return plan;
    if (e0.kind == 1 && e1.kind == 0) {
        plan.cleared = {{0, e0.column - 1}, {e1.column, w - 1}};
    } else if (e0.kind == 0 && e1.kind == 1) {
        plan.cleared = {{e0.column, e1.column - 1}};
    }
    return plan;
}

// The boundary of scanTrimmedEdges, sorted when it has two edges.
std::vector<BoundaryEdge> sortedEdges(const cv::Mat& src, int cutValue, int dirL, int dirR) {
    std::vector<BoundaryEdge> bdy =
        scanTrimmedEdges(src, cutPixels(cutValue, src.cols), dirL, dirR);
    if (bdy.size() == 2 && bdy[0].column > bdy[1].column) std::swap(bdy[0], bdy[1]);
    return bdy;
}

}  // namespace

CropPlan manualCropPlan(const cv::Mat& src, int blendValue, int cutValue, int dirL, int dirR,
                        std::vector<BoundaryEdge>& imgBdy) {
    const int w = src.cols;
    imgBdy = sortedEdges(src, cutValue, dirL, dirR);
    const int blendPx = blendPixels(blendValue, w);
    if (imgBdy.size() != 2) {
        reportf("findboundary error:%d\r\n", static_cast<int>(imgBdy.size()));
        return {};
    }
    if (imgBdy[0].column >= imgBdy[1].column) reportf("imgBdy sequence error\r\n");
    CropPlan plan = cropOf(imgBdy, w);
    // Crop, then feather with the cropped image as the mask.
    plan.startWidth = plan.endWidth = blendPx;
    return plan;
}

CropEffect manualCropEffect(const cv::Mat& src, int cutValue, int dirL, int dirR) {
    CropEffect effect;
    if (src.empty() || src.type() != CV_8UC4) return effect;
    effect.edges = sortedEdges(src, cutValue, dirL, dirR);
    if (effect.edges.size() != 2) return effect;
    const int w = src.cols;
    const CropPlan plan = cropOf(effect.edges, w);
    const int m = src.rows / 2;
    // The valid columns in the order the camera sees them: from the first
    // column after a transparent one, round the row's end if the run wraps.
    int first = 0;
    for (int k = 0; k < w; ++k)
        if (!validAt(src, m, k) && validAt(src, m, (k + 1) % w)) first = (k + 1) % w;
    std::vector<bool> cleared(static_cast<size_t>(w), false);
    for (const ColumnRange& r : plan.cleared)
        for (int k = std::max(r.from, 0); k <= std::min(r.to, w - 1); ++k)
            cleared[static_cast<size_t>(k)] = true;
    int firstKept = -1, lastKept = -1, n = 0;
    std::vector<int> clearedAt;  // positions along the run
    for (int i = 0; i < w; ++i) {
        const int k = (first + i) % w;
        if (!validAt(src, m, k)) continue;
        if (cleared[static_cast<size_t>(k)]) {
            clearedAt.push_back(n);
        } else {
            if (firstKept < 0) firstKept = n;
            lastKept = n;
        }
        ++n;
    }
    effect.validColumns = n;
    effect.clearedColumns = static_cast<int>(clearedAt.size());
    for (int at : clearedAt) effect.middle = effect.middle || (at > firstKept && at < lastKept);
    return effect;
}

void manualCropAndFeather(const cv::Mat& src, cv::Mat& dst, int blendValue, int cutValue, int dirL,
                          int dirR, std::vector<BoundaryEdge>& imgBdy) {
    if (src.empty() || src.type() != CV_8UC4) return;
    const CropPlan plan = manualCropPlan(src, blendValue, cutValue, dirL, dirR, imgBdy);
    copyCropFeather(src, dst, plan.cleared, plan.startWidth, plan.endWidth);
}
