// Feathering and the slider-to-pixel rules shared by the manual refresh and the
// automatic seams.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

// Linear alpha ramps at every edge of the valid regions of each row of `image`
// (CV_8UC4). Edges are found in `mask` (CV_8UC4, alpha = byte 3, or CV_8UC1, the
// alpha itself), which must have the image's size; only the image's alpha changes.
// A region starting at column k gets factors 0, 1/n, 2/n, ... from k on (n =
// startWidth); one ending before column k gets 0, 1/n, ... from k backwards (n =
// endWidth). Column 0 and the last column are never touched; a width of 0 or
// less adds no ramp.
void featherAlpha(cv::Mat& image, const cv::Mat& mask, int startWidth, int endWidth);

// Slider values (0..kSliderMax, project/SliderRange.h) in pixels of an image `width` columns wide,
// single precision, truncated toward zero.
int cutPixels(int cutValue, int width);
int blendPixels(int blendValue, int width);
// How far a trimmed start (resp. end) edge moves left (resp. right) of the scanned
// transition: (width / 3 - cutPx) - trim / 150000 * width.
int trimPixels(int cutPx, int trimValue, int width);

// A column range, both ends inclusive.
struct ColumnRange {
    int from = 0;
    int to = -1;
};

// `ranges` clipped to 0..width-1, sorted, overlapping or touching ones joined.
std::vector<ColumnRange> normalizedRanges(std::vector<ColumnRange> ranges, int width);

// What a display image is made of: the source with `cleared` columns zeroed,
// then ramps of startWidth / endWidth at every region edge of each row.
struct CropPlan {
    std::vector<ColumnRange> cleared;
    int startWidth = 0;
    int endWidth = 0;
};

// dst = src (CV_8UC4) with the given column ranges cleared (all four channels,
// clipped to the image), then feathered as featherAlpha does with the cleared
// image as its mask. Every step is row-local, so it runs row by row in one pass
// over memory. dst's buffer is reused unless another matrix shares it.
void copyCropFeather(const cv::Mat& src, cv::Mat& dst, const std::vector<ColumnRange>& cleared,
                     int startWidth, int endWidth);

// The row-level steps behind featherAlpha and copyCropFeather, for callers that
// redo parts of rows; they apply the same per-pixel rule.

// A place where a row's validity changes: at `column` a region starts (start =
// true) or the region that ended at column - 1 is left.
struct RampTransition {
    int column;
    bool start;
    bool operator==(const RampTransition& o) const {
        return column == o.column && start == o.start;
    }
};
// The transitions of a row of BGRA pixels (alpha non-zero = valid), in column
// order; the row counts as valid before column 0.
void findRowTransitions(const uchar* bgraRow, int width, std::vector<RampTransition>& out);
// Applies the ramps of `transitions` (in column order, as found on the cropped
// row) to the alpha of columns lo..hi (inclusive) of a BGRA row `width` pixels
// wide. Applied to the whole row this is the feathering of that row; applied to
// a part it gives that part exactly, whatever the ramps do elsewhere.
void applyRowRamps(uchar* bgraRow, int width, const std::vector<RampTransition>& transitions,
                   int startWidth, int endWidth, int lo, int hi);
// The columns whose alpha the ramp of `t` scales (empty when from > to).
ColumnRange rampColumns(const RampTransition& t, int width, int startWidth, int endWidth);
