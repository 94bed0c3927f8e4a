// A seam between two overlapping cameras that may change column from row to
// row, in the columns of their overlap strip (OverlapStrip.h), and the
// weights it gives each camera there. It is cut the way the automatic seams
// cut per column: the upper camera (later in the drawing order) fades out
// across the seam towards the lower camera's side, the lower camera is cut
// hard under the fade, and every row has its own cut and fade.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

struct SeamRow {
    // Whether this row is cut: both cameras have valid pixels in it. A row
    // that is not cut leaves both cameras' pixels as they are; its columns
    // repeat the nearest cut row's, so the line stays whole for drawing.
    bool cut = false;
    // Strip columns. When the upper camera keeps the left: its last kept
    // column, and the lower camera's first; otherwise the upper camera's
    // first kept column and the lower camera's last.
    int upperEdge = 0;
    int lowerEdge = 0;
    // The ramp width at the upper camera's edge as featherAlpha counts it (a
    // width n scales the n - 1 columns inside the edge by 1/n .. (n-1)/n);
    // 0 or 1: a hard edge.
    int fadeWidth = 0;
};

struct RowSeam {
    bool upperKeepsLeft = true;
    std::vector<SeamRow> rows;  // one per strip row
};

// The seam row whose blend covers strip columns first .. last (inclusive;
// first <= last): both cameras show there, the upper one with weights
// rising from 1/n at the lower camera's side to (n-1)/n, n = last - first + 2.
SeamRow seamRowOver(int first, int last, bool upperKeepsLeft);
// The strip columns of a row in which both cameras show (half-open; empty
// for a row that is not cut, a hard edge, or edges that leave no blend).
cv::Range blendedColumns(const SeamRow& row, bool upperKeepsLeft);

// Each camera's weight (CV_8UC1, 0..255, the strip's size) once the seam is
// cut into its layer (CV_8UC4, alpha = validity): the layer's alpha, cleared
// beyond its edge in every cut row, the upper camera's ramped as featherAlpha
// ramps an edge of that width. These are the alphas the cameras' display
// images get in the strip, before the device puts the upper camera over the
// lower one. Both layers must have the seam's row count.
void seamWeights(const RowSeam& seam, const cv::Mat& upper, const cv::Mat& lower,
                 cv::Mat& upperWeight, cv::Mat& lowerWeight);
