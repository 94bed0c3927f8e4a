// Where two cameras' remapped layers overlap, cut out side by side in one
// frame: the columns of the panorama that some row of both layers covers,
// with a margin on either side, so a seam can be found and measured without
// knowing where the layers lie in the panorama or that it wraps.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

// Panorama placement of a strip. Strip column j is panorama column
// (firstColumn + j) mod panoWidth, strip row i panorama row firstRow + i; a
// layer placed at (offsetX, offsetY) holds strip pixel (i, j) at its row
// firstRow + i - offsetY and column (firstColumn + j - offsetX) mod panoWidth,
// when that lies inside it.
struct StripFrame {
    int firstColumn = 0;
    int firstRow = 0;
    int columns = 0;
    int rows = 0;
    int panoWidth = 0;
};

struct OverlapStrip {
    StripFrame frame;
    cv::Mat upper;  // CV_8UC4 BGRA of the upper camera (later in the drawing order)
    cv::Mat lower;  // the same of the lower camera; alpha 0 = no valid pixel there
    // The strip columns (inclusive) where some row has valid pixels of both;
    // the margin lies outside them.
    int overlapFrom = 0;
    int overlapTo = -1;
    // Whether the upper camera's own side is left of the overlap, i.e. its
    // valid region ends in this overlap and the lower camera's begins.
    bool upperKeepsLeft = true;
};

// Every overlap of two layers (CV_8UC4, alpha non-zero = valid) placed at
// the given panorama offsets in a panorama `panoWidth` columns wide, in
// panorama column order: one per maximal run of columns, wrapping past the
// border, in which some row holds valid pixels of both. Each strip spans the
// rows that hold such pixels and reaches `margin` columns past the run on
// either side (less when the panorama is narrower). Empty when they do not
// overlap or an input is not BGRA.
std::vector<OverlapStrip> overlapStrips(const cv::Mat& upperImage, cv::Point upperOffset,
                                        const cv::Mat& lowerImage, cv::Point lowerOffset,
                                        int panoWidth, int margin);

// A layer's pixels over a strip's frame (CV_8UC4 of its size); transparent
// black where the layer has no pixel. For reading other images of a camera
// (its display image) over a strip found from its remapped one.
cv::Mat layerOverStrip(const cv::Mat& image, cv::Point offset, const StripFrame& frame);

// Whether panorama column `panoColumn` (any integer; it wraps) lies in the frame.
bool frameHolds(const StripFrame& frame, int panoColumn);
// Per strip column of the frame, the column of a layer `layerWidth` wide placed
// at panorama column `offsetX` that lies there, or -1 where the layer has none.
std::vector<int> stripColumnsInLayer(const StripFrame& frame, int offsetX, int layerWidth);
