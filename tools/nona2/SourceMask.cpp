#include "SourceMask.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace nona2 {
namespace {

// Fills the inside of a polygon (pixel centres, even-odd rule) with `value`.
void fillPolygon(cv::Mat& mask, const std::vector<std::array<double, 2>>& pts, uint8_t value) {
    const size_t n = pts.size();
    std::vector<double> xs;
    for (int y = 0; y < mask.rows; ++y) {
        xs.clear();
        for (size_t k = 0; k < n; ++k) {
            const auto& a = pts[k];
            const auto& b = pts[(k + 1) % n];
            if ((a[1] <= y && b[1] > y) || (b[1] <= y && a[1] > y))
                xs.push_back(a[0] + (y - a[1]) / (b[1] - a[1]) * (b[0] - a[0]));
        }
        std::sort(xs.begin(), xs.end());
        uint8_t* row = mask.ptr<uint8_t>(y);
        for (size_t k = 0; k + 1 < xs.size(); k += 2) {
            const int from = std::max(0, static_cast<int>(std::ceil(xs[k])));
            const int to = std::min(mask.cols - 1, static_cast<int>(std::floor(xs[k + 1])));
            for (int x = from; x <= to; ++x) row[x] = value;
        }
    }
}

}  // namespace

cv::Mat sourceMask(const ImageDesc& image, cv::Size size) {
    if (!image.hasCropRect && image.masks.empty()) return cv::Mat();
    cv::Mat mask(size, CV_8UC1, cv::Scalar(255));
    if (image.circularCrop()) {
        const double cx = image.cropLeft + (image.cropRight - image.cropLeft) / 2.0;
        const double cy = image.cropTop + (image.cropBottom - image.cropTop) / 2.0;
        const double radius =
            std::min(image.cropRight - image.cropLeft, image.cropBottom - image.cropTop) / 2.0;
        for (int y = 0; y < mask.rows; ++y) {
            uint8_t* row = mask.ptr<uint8_t>(y);
            for (int x = 0; x < mask.cols; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > radius * radius) row[x] = 0;
        }
    } else if (image.hasCropRect) {
        mask.setTo(0);
        const int l = std::max(0, image.cropLeft), t = std::max(0, image.cropTop);
        const int r = std::min(size.width, image.cropRight);
        const int b = std::min(size.height, image.cropBottom);
        if (r > l && b > t) mask(cv::Rect(l, t, r - l, b - t)).setTo(255);
    }
    for (const MaskPolygon& m : image.masks) fillPolygon(mask, m.points, 0);
    return mask;
}

cv::Mat sourceMask(const ImageDesc& image, const cv::Mat& source) {
    cv::Mat mask = sourceMask(image, source.size());
    if (source.channels() != 4) return mask;
    if (mask.empty()) mask = cv::Mat(source.size(), CV_8UC1, cv::Scalar(255));
    for (int y = 0; y < mask.rows; ++y) {
        const uint8_t* px = source.ptr<uint8_t>(y);
        uint8_t* row = mask.ptr<uint8_t>(y);
        for (int x = 0; x < mask.cols; ++x)
            if (px[4 * x + 3] == 0) row[x] = 0;
    }
    return mask;
}

}  // namespace nona2
