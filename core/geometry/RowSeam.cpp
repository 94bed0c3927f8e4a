#include "geometry/RowSeam.h"

#include <algorithm>
#include <cstring>

#include "geometry/Feather.h"

SeamRow seamRowOver(int first, int last, bool upperKeepsLeft) {
    SeamRow row;
    row.cut = true;
    row.fadeWidth = last - first + 2;
    // A falling ramp scales the columns before its edge's first cleared
    // column; a rising one starts with factor 0 at the edge itself.
    row.upperEdge = upperKeepsLeft ? last : first - 1;
    row.lowerEdge = upperKeepsLeft ? first : last;
    return row;
}

cv::Range blendedColumns(const SeamRow& row, bool upperKeepsLeft) {
    if (!row.cut || row.fadeWidth <= 1) return cv::Range(0, 0);
    if (upperKeepsLeft) {
        const int first = std::max(row.upperEdge - row.fadeWidth + 2, row.lowerEdge);
        return cv::Range(first, std::max(first, row.upperEdge + 1));
    }
    const int last = std::min(row.upperEdge + row.fadeWidth - 1, row.lowerEdge);
    return cv::Range(row.upperEdge + 1, std::max(row.upperEdge + 1, last + 1));
}

void seamWeights(const RowSeam& seam, const cv::Mat& upper, const cv::Mat& lower,
                 cv::Mat& upperWeight, cv::Mat& lowerWeight) {
    CV_Assert(upper.type() == CV_8UC4 && lower.type() == CV_8UC4 && upper.size() == lower.size());
    CV_Assert(static_cast<int>(seam.rows.size()) == upper.rows);
    const int w = upper.cols;
    cv::extractChannel(upper, upperWeight, 3);
    cv::extractChannel(lower, lowerWeight, 3);
    std::vector<uchar> row(static_cast<size_t>(w) * 4);
    std::vector<RampTransition> ramp(1);
    for (int r = 0; r < upper.rows; ++r) {
        const SeamRow& s = seam.rows[static_cast<size_t>(r)];
        if (!s.cut) continue;
        uchar* uw = upperWeight.ptr<uchar>(r);
        uchar* lw = lowerWeight.ptr<uchar>(r);
        auto clear = [w](uchar* p, int from, int to) {
            from = std::max(from, 0);
            to = std::min(to, w - 1);
            if (from <= to) std::memset(p + from, 0, static_cast<size_t>(to - from + 1));
        };
        if (seam.upperKeepsLeft) {
            clear(uw, s.upperEdge + 1, w - 1);
            clear(lw, 0, s.lowerEdge - 1);
            ramp[0] = {s.upperEdge + 1, false};
        } else {
            clear(uw, 0, s.upperEdge - 1);
            clear(lw, s.lowerEdge + 1, w - 1);
            ramp[0] = {s.upperEdge, true};
        }
        if (s.fadeWidth <= 1) continue;
        // The ramp through the feathering's own row step, so these weights
        // are the display image's to the byte.
        for (int c = 0; c < w; ++c) row[static_cast<size_t>(c) * 4 + 3] = uw[c];
        applyRowRamps(row.data(), w, ramp, s.fadeWidth, s.fadeWidth, 0, w - 1);
        for (int c = 0; c < w; ++c) uw[c] = row[static_cast<size_t>(c) * 4 + 3];
    }
}
