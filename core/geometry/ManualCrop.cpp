// Manual crop, trims and feathering of one camera's valid region.
#include "geometry/ManualCrop.h"

#include <cstdio>

#include "geometry/Feather.h"
#include "project/Reporter.h"

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

CropPlan manualCropPlan(const cv::Mat& src, int blendValue, int cutValue, int dirL, int dirR,
                        std::vector<BoundaryEdge>& imgBdy) {
    const int w = src.cols;
    const int cutPx = cutPixels(cutValue, w);
    imgBdy = scanTrimmedEdges(src, cutPx, dirL, dirR);
    const int blendPx = blendPixels(blendValue, w);
    if (imgBdy.size() != 2) {
        reportf("findboundary error:%d\r\n", static_cast<int>(imgBdy.size()));
        return {};
    }
    if (imgBdy[0].column > imgBdy[1].column) std::swap(imgBdy[0], imgBdy[1]);
    const BoundaryEdge e0 = imgBdy[0];
    const BoundaryEdge e1 = imgBdy[1];
    CropPlan plan;
    if (e0.column >= e1.column) {
        reportf("imgBdy sequence error\r\n");
    } else if (e0.kind == 1 && e1.kind == 0) {
        plan.cleared = {{0, e0.column - 1}, {e1.column, w - 1}};
    } else if (e0.kind == 0 && e1.kind == 1) {
        plan.cleared = {{e0.column, e1.column - 1}};
    }
    // Crop, then feather with the cropped image as the mask.
    plan.startWidth = plan.endWidth = blendPx;
    return plan;
}

void manualCropAndFeather(const cv::Mat& src, cv::Mat& dst, int blendValue, int cutValue, int dirL,
                          int dirR, std::vector<BoundaryEdge>& imgBdy) {
    if (src.empty() || src.type() != CV_8UC4) return;
    const CropPlan plan = manualCropPlan(src, blendValue, cutValue, dirL, dirR, imgBdy);
    copyCropFeather(src, dst, plan.cleared, plan.startWidth, plan.endWidth);
}
