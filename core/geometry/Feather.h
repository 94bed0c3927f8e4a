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

// Slider values (0..60000) in pixels of an image `width` columns wide, single
// precision, truncated toward zero.
int cutPixels(int cutValue, int width);
int blendPixels(int blendValue, int width);
// How far a trimmed start (resp. end) edge moves left (resp. right) of the scanned
// transition: (width / 3 - cutPx) - trim / 150000 * width.
int trimPixels(int cutPx, int trimValue, int width);

// Sets all four channels of columns from..to (inclusive) of every row to 0,
// clipped to the image; an empty or outside range clears nothing.
void clearColumns(cv::Mat& image, int from, int to);

// A column range, both ends inclusive.
struct ColumnRange {
    int from = 0;
    int to = -1;
};

// dst = src (CV_8UC4) with the given column ranges cleared (all four channels,
// clipped to the image), then feathered as featherAlpha does with the cleared
// image as its mask. Every step is row-local, so it runs row by row in one pass
// over memory. dst's buffer is reused unless another matrix shares it.
void copyCropFeather(const cv::Mat& src, cv::Mat& dst, const std::vector<ColumnRange>& cleared,
                     int startWidth, int endWidth);
