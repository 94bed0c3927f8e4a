#include "geometry/SeamDisagreement.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Which cameras a pixel shows once the upper one covers the lower one.
enum Shows : uint8_t { kNone = 0, kUpper = 1, kLower = 2, kBoth = 3 };

uint8_t shows(uint8_t upperWeight, uint8_t lowerWeight) {
    if (upperWeight == 255 || (upperWeight > 0 && lowerWeight == 0)) return kUpper;
    if (upperWeight == 0) return lowerWeight > 0 ? kLower : kNone;
    return kBoth;
}

}  // namespace

SeamDisagreement seamDisagreement(const cv::Mat& upper, const cv::Mat& lower,
                                  const cv::Mat& upperWeight, const cv::Mat& lowerWeight,
                                  int stretchRows) {
    CV_Assert(upper.type() == CV_8UC4 && lower.type() == CV_8UC4 && upper.size() == lower.size());
    CV_Assert(upperWeight.type() == CV_8UC1 && lowerWeight.type() == CV_8UC1 &&
              upperWeight.size() == upper.size() && lowerWeight.size() == upper.size());
    const int w = upper.cols, h = upper.rows;
    cv::Mat show(h, w, CV_8U);
    for (int r = 0; r < h; ++r) {
        const uint8_t* a = upper.ptr<uint8_t>(r);
        const uint8_t* b = lower.ptr<uint8_t>(r);
        const uint8_t* uw = upperWeight.ptr<uint8_t>(r);
        const uint8_t* lw = lowerWeight.ptr<uint8_t>(r);
        uint8_t* s = show.ptr<uint8_t>(r);
        for (int c = 0; c < w; ++c)
            s[c] = a[c * 4 + 3] && b[c * 4 + 3] ? shows(uw[c], lw[c]) : uint8_t(kNone);
    }
    // A pixel showing one camera alone, next to one showing the other alone.
    auto cutNeighbour = [&](int r, int c, uint8_t own) {
        const uint8_t other = own == kUpper ? kLower : kUpper;
        return (c > 0 && show.at<uint8_t>(r, c - 1) == other) ||
               (c + 1 < w && show.at<uint8_t>(r, c + 1) == other) ||
               (r > 0 && show.at<uint8_t>(r - 1, c) == other) ||
               (r + 1 < h && show.at<uint8_t>(r + 1, c) == other);
    };
    std::vector<double> rowSum(static_cast<size_t>(h), 0.0);
    std::vector<long> rowCount(static_cast<size_t>(h), 0);
    SeamDisagreement d;
    double sum = 0;
    for (int r = 0; r < h; ++r) {
        const uint8_t* a = upper.ptr<uint8_t>(r);
        const uint8_t* b = lower.ptr<uint8_t>(r);
        const uint8_t* s = show.ptr<uint8_t>(r);
        for (int c = 0; c < w; ++c) {
            if (s[c] == kNone || (s[c] != kBoth && !cutNeighbour(r, c, s[c]))) continue;
            const uint8_t* p = a + c * 4;
            const uint8_t* q = b + c * 4;
            const double diff =
                (std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2])) / 3.0;
            rowSum[static_cast<size_t>(r)] += diff;
            ++rowCount[static_cast<size_t>(r)];
        }
        sum += rowSum[static_cast<size_t>(r)];
        d.pixels += rowCount[static_cast<size_t>(r)];
    }
    if (d.pixels == 0) return d;
    d.mean = sum / static_cast<double>(d.pixels);

    // The worst stretch: a sliding window of rows.
    const int span = std::clamp(stretchRows, 1, h);
    double windowSum = 0;
    long windowCount = 0;
    for (int r = 0; r < h; ++r) {
        windowSum += rowSum[static_cast<size_t>(r)];
        windowCount += rowCount[static_cast<size_t>(r)];
        if (r >= span) {
            windowSum -= rowSum[static_cast<size_t>(r - span)];
            windowCount -= rowCount[static_cast<size_t>(r - span)];
        }
        if (r + 1 < span || windowCount == 0) continue;
        const double mean = windowSum / static_cast<double>(windowCount);
        if (d.worstFirstRow < 0 || mean > d.worstMean) {
            d.worstMean = mean;
            d.worstFirstRow = r - span + 1;
            d.worstLastRow = r;
        }
    }
    return d;
}

SeamDisagreement seamDisagreement(const cv::Mat& upper, const cv::Mat& lower, const RowSeam& seam,
                                  int stretchRows) {
    cv::Mat upperWeight, lowerWeight;
    seamWeights(seam, upper, lower, upperWeight, lowerWeight);
    return seamDisagreement(upper, lower, upperWeight, lowerWeight, stretchRows);
}
