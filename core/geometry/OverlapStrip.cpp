#include "geometry/OverlapStrip.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "geometry/Feather.h"

namespace {

int wrap(int column, int width) {
    const int m = column % width;
    return m < 0 ? m + width : m;
}

// Per panorama column of a layer: which of its columns lies there, or -1.
std::vector<int> layerColumns(const cv::Mat& image, int offsetX, int panoWidth) {
    std::vector<int> at(static_cast<size_t>(panoWidth), -1);
    for (int c = 0; c < std::min(image.cols, panoWidth); ++c)
        at[static_cast<size_t>(wrap(offsetX + c, panoWidth))] = c;
    return at;
}

bool valid(const cv::Mat& image, int row, int column) {
    return image.ptr<uint8_t>(row)[column * 4 + 3] != 0;
}

using Runs = std::vector<std::pair<int, int>>;

// The valid runs of one layer row as half-open panorama column ranges, split
// at the panorama's border, in column order.
void rowRuns(const cv::Mat& image, int row, int offsetX, int panoWidth,
             std::vector<RampTransition>& transitions, Runs& out) {
    out.clear();
    const int w = std::min(image.cols, panoWidth);
    findRowTransitions(image.ptr<uint8_t>(row), w, transitions);
    int from = 0;
    bool inside = true;
    auto add = [&](int a, int b) {
        if (a >= b) return;
        const int pa = wrap(offsetX + a, panoWidth), length = b - a;
        if (pa + length <= panoWidth) {
            out.push_back({pa, pa + length});
        } else {
            out.push_back({pa, panoWidth});
            out.push_back({0, pa + length - panoWidth});
        }
    };
    for (const RampTransition& t : transitions) {
        if (t.start) {
            from = t.column;
        } else {
            add(from, t.column);
        }
        inside = t.start;
    }
    if (inside) add(from, w);
    std::sort(out.begin(), out.end());
}

}  // namespace

cv::Mat layerOverStrip(const cv::Mat& image, cv::Point offset, const StripFrame& frame) {
    cv::Mat out(frame.rows, frame.columns, CV_8UC4, cv::Scalar::all(0));
    if (image.empty() || image.type() != CV_8UC4 || frame.panoWidth <= 0) return out;
    const std::vector<int> from = stripColumnsInLayer(frame, offset.x, image.cols);
    for (int i = 0; i < frame.rows; ++i) {
        const int r = frame.firstRow + i - offset.y;
        if (r < 0 || r >= image.rows) continue;
        const uint32_t* src = image.ptr<uint32_t>(r);
        uint32_t* dst = out.ptr<uint32_t>(i);
        for (int j = 0; j < frame.columns; ++j)
            if (from[static_cast<size_t>(j)] >= 0) dst[j] = src[from[static_cast<size_t>(j)]];
    }
    return out;
}

std::vector<OverlapStrip> overlapStrips(const cv::Mat& upperImage, cv::Point upperOffset,
                                        const cv::Mat& lowerImage, cv::Point lowerOffset,
                                        int panoWidth, int margin) {
    std::vector<OverlapStrip> strips;
    if (panoWidth <= 0 || upperImage.empty() || lowerImage.empty() ||
        upperImage.type() != CV_8UC4 || lowerImage.type() != CV_8UC4)
        return strips;
    const std::vector<int> upperAt = layerColumns(upperImage, upperOffset.x, panoWidth);
    const std::vector<int> lowerAt = layerColumns(lowerImage, lowerOffset.x, panoWidth);
    // Per panorama column, the first and last row in which both layers are
    // valid there: per row, the intersections of their valid runs.
    std::vector<int> firstRow(static_cast<size_t>(panoWidth), -1), lastRow(firstRow);
    const int top = std::max(upperOffset.y, lowerOffset.y);
    const int bottom = std::min(upperOffset.y + upperImage.rows, lowerOffset.y + lowerImage.rows);
    std::vector<RampTransition> transitions;
    Runs upperRuns, lowerRuns;
    for (int y = top; y < bottom; ++y) {
        rowRuns(upperImage, y - upperOffset.y, upperOffset.x, panoWidth, transitions, upperRuns);
        rowRuns(lowerImage, y - lowerOffset.y, lowerOffset.x, panoWidth, transitions, lowerRuns);
        for (size_t i = 0, j = 0; i < upperRuns.size() && j < lowerRuns.size();) {
            const int from = std::max(upperRuns[i].first, lowerRuns[j].first);
            const int to = std::min(upperRuns[i].second, lowerRuns[j].second);
            for (int x = from; x < to; ++x) {
                if (firstRow[static_cast<size_t>(x)] < 0) firstRow[static_cast<size_t>(x)] = y;
                lastRow[static_cast<size_t>(x)] = y;
            }
            if (upperRuns[i].second < lowerRuns[j].second)
                ++i;
            else
                ++j;
        }
    }
    auto overlaps = [&](int x) { return firstRow[static_cast<size_t>(wrap(x, panoWidth))] >= 0; };

    // Maximal runs of overlapping columns, a run through the border counted
    // once: start where the column before does not overlap.
    int start = 0;
    while (start < panoWidth && overlaps(start - 1)) ++start;
    if (start == panoWidth) start = 0;  // every column overlaps
    for (int k = 0; k < panoWidth; ++k) {
        const int from = start + k;
        if (!overlaps(from) || (overlaps(from - 1) && k != 0)) continue;
        int length = 0;
        while (length < panoWidth && overlaps(from + length)) ++length;
        const int side = std::max(0, std::min(margin, (panoWidth - length) / 2));
        OverlapStrip s;
        s.frame.panoWidth = panoWidth;
        s.frame.firstColumn = wrap(from - side, panoWidth);
        s.frame.columns = length + 2 * side;
        int y0 = bottom, y1 = top - 1;
        for (int j = 0; j < length; ++j) {
            const size_t x = static_cast<size_t>(wrap(from + j, panoWidth));
            y0 = std::min(y0, firstRow[x]);
            y1 = std::max(y1, lastRow[x]);
        }
        s.frame.firstRow = y0;
        s.frame.rows = y1 - y0 + 1;
        s.overlapFrom = side;
        s.overlapTo = side + length - 1;
        s.upper = layerOverStrip(upperImage, upperOffset, s.frame);
        s.lower = layerOverStrip(lowerImage, lowerOffset, s.frame);
        // Whose side is whose: the camera valid next to the run on the left
        // and not on the right keeps the left; counted over a few columns of
        // either layer, in full, so a strip without margin decides too.
        long upperLeft = 0, lowerLeft = 0, upperRight = 0, lowerRight = 0;
        const int look = std::max(side, 4);
        for (int d = 1; d <= look && d <= (panoWidth - length) / 2; ++d) {
            const size_t left = static_cast<size_t>(wrap(from - d, panoWidth));
            const size_t right = static_cast<size_t>(wrap(from + length - 1 + d, panoWidth));
            for (int y = s.frame.firstRow; y < s.frame.firstRow + s.frame.rows; ++y) {
                auto count = [y](const cv::Mat& image, cv::Point offset, int column) {
                    const int r = y - offset.y;
                    return column >= 0 && r >= 0 && r < image.rows && valid(image, r, column);
                };
                upperLeft += count(upperImage, upperOffset, upperAt[left]);
                lowerLeft += count(lowerImage, lowerOffset, lowerAt[left]);
                upperRight += count(upperImage, upperOffset, upperAt[right]);
                lowerRight += count(lowerImage, lowerOffset, lowerAt[right]);
            }
        }
        s.upperKeepsLeft = upperLeft + lowerRight >= lowerLeft + upperRight;
        strips.push_back(std::move(s));
        if (length == panoWidth) break;
    }
    std::sort(strips.begin(), strips.end(),
              [panoWidth](const OverlapStrip& a, const OverlapStrip& b) {
                  return wrap(a.frame.firstColumn + a.overlapFrom, panoWidth) <
                         wrap(b.frame.firstColumn + b.overlapFrom, panoWidth);
              });
    return strips;
}

bool frameHolds(const StripFrame& frame, int panoColumn) {
    return wrap(panoColumn - frame.firstColumn, frame.panoWidth) < frame.columns;
}

std::vector<int> stripColumnsInLayer(const StripFrame& frame, int offsetX, int layerWidth) {
    std::vector<int> at(static_cast<size_t>(frame.columns));
    for (int j = 0; j < frame.columns; ++j) {
        const int c = wrap(frame.firstColumn + j - offsetX, frame.panoWidth);
        at[static_cast<size_t>(j)] = c < layerWidth ? c : -1;
    }
    return at;
}
