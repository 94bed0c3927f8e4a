// The automatic seams' cut: a camera's layer kept between its two seams, each
// feathered with its own width (where the seams go: tuning/AutoSeams.cpp).
#include "geometry/AutoBlend.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "geometry/Feather.h"
#include "system/Reporter.h"

CropPlan autoCropPlan(int width, BoundaryEdge first, int firstWidth, BoundaryEdge second,
                      int secondWidth) {
    const int x0 = first.column, x1 = second.column;
    CropPlan plan;
    if (x0 < x1) {
        // Inclusive bounds: both seam columns stay.
        if (first.kind == 1 && second.kind == 0)
            plan.cleared = {{0, x0 - 1}, {x1 + 1, width - 1}};
        else if (first.kind == 0 && second.kind == 1)
            plan.cleared = {{x0 + 1, x1 - 1}};
    } else {
        reportf("imgBdy sequence error\r\n");
    }
    plan.startWidth = first.kind == 1 ? firstWidth : secondWidth;
    plan.endWidth = first.kind == 0 ? firstWidth : secondWidth;
    return plan;
}

void autoCropAndFeather(const cv::Mat& image, cv::Mat& displayImage, BoundaryEdge first,
                        int firstWidth, BoundaryEdge second, int secondWidth) {
    if (image.empty() || image.type() != CV_8UC4) return;
    const CropPlan plan = autoCropPlan(image.cols, first, firstWidth, second, secondWidth);
    copyCropFeather(image, displayImage, plan.cleared, plan.startWidth, plan.endWidth);
}
