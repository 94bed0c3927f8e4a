#include "geometry/Feather.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "geometry/SliderRange.h"
#include "geometry/ZeroedImage.h"

namespace {

using Transition = RampTransition;

// Transitions of a row of BGRA pixels read as little-endian words (alpha in the
// top byte). The row counts as inside at its start. Runs of four fully opaque or
// fully transparent pixels are skipped in one step.
void findTransitions(const uint32_t* px, int width, std::vector<Transition>& out) {
    out.clear();
    bool inside = true;
    int k = 0;
    while (k < width) {
        if (inside) {
            while (k + 4 <= width && ((px[k] & px[k + 1] & px[k + 2] & px[k + 3]) >> 24) == 0xFF)
                k += 4;
            while (k < width && (px[k] >> 24) != 0) ++k;
        } else {
            while (k + 4 <= width && ((px[k] | px[k + 1] | px[k + 2] | px[k + 3]) >> 24) == 0)
                k += 4;
            while (k < width && (px[k] >> 24) == 0) ++k;
        }
        if (k < width) {
            inside = !inside;
            out.push_back({k, inside});
        }
    }
}

// The same for a mask read with `stride` bytes per pixel.
void findTransitions(const uchar* mask, int stride, int width, std::vector<Transition>& out) {
    out.clear();
    bool inside = true;
    for (int k = 0; k < width; ++k) {
        const bool valid = mask[k * stride] != 0;
        if (valid != inside) {
            inside = valid;
            out.push_back({k, valid});
        }
    }
}

const uint32_t* words(const uchar* row) {
    return reinterpret_cast<const uint32_t*>(row);
}

}  // namespace

void findRowTransitions(const uchar* bgraRow, int width, std::vector<RampTransition>& out) {
    findTransitions(words(bgraRow), width, out);
}

ColumnRange rampColumns(const RampTransition& t, int width, int startWidth, int endWidth) {
    // A start ramp runs right from its column and never reaches the last column;
    // an end ramp runs left and never reaches column 0.
    if (t.start) return {t.column, std::min(t.column + startWidth - 1, width - 2)};
    return {std::max(t.column - endWidth + 1, 1), t.column};
}

void applyRowRamps(uchar* px, int width, const std::vector<RampTransition>& transitions,
                   int startWidth, int endWidth, int lo, int hi) {
    // The ramp factor is 1/n in single precision, widened for the product. In
    // scan order, so ramps that meet multiply in the same order everywhere.
    const double fStart = startWidth > 0 ? static_cast<double>(1.0f / startWidth) : 0.0;
    const double fEnd = endWidth > 0 ? static_cast<double>(1.0f / endWidth) : 0.0;
    for (const Transition& t : transitions) {
        const ColumnRange ramp = rampColumns(t, width, startWidth, endWidth);
        const int from = std::max(ramp.from, lo), to = std::min(ramp.to, hi);
        const double f = t.start ? fStart : fEnd;
        for (int c = from; c <= to; ++c) {
            const int l = t.start ? c - t.column : t.column - c;
            uchar& a = px[c * 4 + 3];
            a = static_cast<uchar>(static_cast<double>(l) * f * a);
        }
    }
}

void featherAlpha(cv::Mat& image, const cv::Mat& mask, int startWidth, int endWidth) {
    if (image.empty() || image.type() != CV_8UC4) return;
    if (mask.size() != image.size() || (mask.type() != CV_8UC4 && mask.type() != CV_8UC1)) return;
    if (startWidth <= 0 && endWidth <= 0) return;
    // Each row's transitions are all found before its ramps change anything, so a
    // mask that is the image itself behaves like a copy of it.
    std::vector<Transition> transitions;
    for (int r = 0; r < image.rows; ++r) {
        if (mask.type() == CV_8UC4)
            findTransitions(words(mask.ptr<uchar>(r)), image.cols, transitions);
        else
            findTransitions(mask.ptr<uchar>(r), 1, image.cols, transitions);
        applyRowRamps(image.ptr<uchar>(r), image.cols, transitions, startWidth, endWidth, 0,
                      image.cols - 1);
    }
}

int cutPixels(int cutValue, int width) {
    return static_cast<int>(static_cast<float>(cutValue) / static_cast<float>(kSliderMax) *
                            static_cast<float>(width));
}

int blendPixels(int blendValue, int width) {
    // The whole blend range is a tenth of the width.
    return static_cast<int>(static_cast<float>(blendValue) / (kSliderMax * 10.0f) *
                            static_cast<float>(width));
}

int trimPixels(int cutPx, int trimValue, int width) {
    const float base = static_cast<float>(width / 3 - cutPx);
    // The whole trim range is two fifths of the width.
    return static_cast<int>(base - static_cast<float>(trimValue) / (kSliderMax * 2.5f) *
                                       static_cast<float>(width));
}

namespace {

// The pixels of `src` that are not 0 into `dst` (zeros), but for the columns
// in `cleared` (ascending, disjoint, within the row); runs of four zero pixels
// are crossed in one step.
void copyNonZero(const uint32_t* src, uint32_t* dst, int width,
                 const std::vector<ColumnRange>& cleared) {
    size_t next = 0;  // the first cleared range not yet passed
    int k = 0;
    while (k < width) {
        if (next < cleared.size() && k >= cleared[next].from) {
            k = std::max(k, cleared[next++].to + 1);
            continue;
        }
        const int stop = next < cleared.size() ? std::min(width, cleared[next].from) : width;
        while (k + 4 <= stop && (src[k] | src[k + 1] | src[k + 2] | src[k + 3]) == 0) k += 4;
        while (k < stop && src[k] == 0) ++k;
        int end = k;
        while (end < stop && src[end] != 0) ++end;
        std::memcpy(dst + k, src + k, static_cast<size_t>(end - k) * 4);
        k = end;
    }
}

}  // namespace

std::vector<ColumnRange> normalizedRanges(std::vector<ColumnRange> ranges, int width) {
    for (ColumnRange& r : ranges) {
        r.from = std::max(r.from, 0);
        r.to = std::min(r.to, width - 1);
    }
    ranges.erase(std::remove_if(ranges.begin(), ranges.end(),
                                [](const ColumnRange& r) { return r.from > r.to; }),
                 ranges.end());
    std::sort(ranges.begin(), ranges.end(),
              [](const ColumnRange& a, const ColumnRange& b) { return a.from < b.from; });
    std::vector<ColumnRange> out;
    for (const ColumnRange& r : ranges) {
        if (!out.empty() && r.from <= out.back().to + 1)
            out.back().to = std::max(out.back().to, r.to);
        else
            out.push_back(r);
    }
    return out;
}

void copyCropFeather(const cv::Mat& src, cv::Mat& dst, const std::vector<ColumnRange>& cleared,
                     int startWidth, int endWidth) {
    CV_Assert(src.type() == CV_8UC4);
    // Whoever still holds the previous display image keeps its pixels.
    if (dst.data == src.data || (dst.u && dst.u->refcount > 1)) dst = cv::Mat();
    // A fresh display image starts as zeros, which only the source's other
    // pixels are copied over: most of a full-canvas layer is transparent
    // black, and its memory is then never touched.
    const bool fresh = dst.size() != src.size() || dst.type() != CV_8UC4;
    if (fresh) dst = zeroedImage(src.rows, src.cols, CV_8UC4);
    const int w = src.cols;
    // In column order, overlaps joined: the row copy walks them left to right.
    const std::vector<ColumnRange> ranges = normalizedRanges(cleared, w);
    const bool feather = startWidth > 0 || endWidth > 0;
    std::vector<Transition> transitions;
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    for (int r = 0; r < src.rows; ++r) {
        uchar* d = dst.ptr<uchar>(r);
        if (fresh) {
            copyNonZero(words(src.ptr<uchar>(r)), reinterpret_cast<uint32_t*>(d), w, ranges);
        } else {
            std::memcpy(d, src.ptr<uchar>(r), rowBytes);
            for (const ColumnRange& c : ranges)
                std::memset(d + static_cast<size_t>(c.from) * 4, 0,
                            static_cast<size_t>(c.to - c.from + 1) * 4);
        }
        if (!feather) continue;
        // The row is in cache now; the cropped row is the mask of its own ramps.
        findTransitions(words(d), w, transitions);
        applyRowRamps(d, w, transitions, startWidth, endWidth, 0, w - 1);
    }
}
