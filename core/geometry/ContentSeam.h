// Seams where two cameras agree: per row of their overlap strip, the column
// whose fade blends the least disagreement between the two layers, found by
// dynamic programming over the rows, so the seam passes beside what parallax
// doubles (a near object seen from two centres) instead of through it.
#pragma once

#include <opencv2/core.hpp>

#include "geometry/RowSeam.h"

struct ContentSeamOptions {
    // The widest fade, counted as the automatic seams' fade width (the ramp
    // width: a fade of n blends n - 1 columns).
    int fadeWidth = 30;
    // Where the widest fade would blend disagreeing pixels the fade narrows,
    // down to this width; equal to fadeWidth keeps it fixed. Narrower still
    // only where the cameras' common pixels in a row are fewer.
    int narrowestFade = 6;
    // What the narrowest fade costs over the widest, in grey levels of mean
    // difference (linear in between): how much better a narrow fade must
    // agree before it is taken.
    double narrowingCost = 1.5;
    // Columns the seam may move from one row to the next, so it stays one
    // coherent line, and what each column moved costs, in grey levels, so it
    // keeps straight where nothing is gained by moving.
    int maxStep = 2;
    double stepCost = 0.1;
    // What changing the fade from the widest to the narrowest between two
    // rows costs, in grey levels (linear in the change).
    double fadeChangeCost = 0.5;
    // Weight of the difference of the two layers' brightness gradients
    // (grey levels per pixel, horizontal and vertical averaged) against that
    // of their colours (grey levels, channels averaged).
    double gradientWeight = 1.0;
    // What a seam at the edge of the cameras' common pixels costs over one on
    // their middle, in grey levels, linear in between: where the cameras
    // agree everywhere the seam keeps to the middle.
    double middlePull = 0.5;
};

// The seam between the two layers of a strip (CV_8UC4 of one size, alpha
// non-zero = valid; `upperKeepsLeft` as in OverlapStrip). Rows in which both
// have valid pixels are cut, with the whole fade on pixels valid in both
// (narrower where fewer are); the seam minimises, summed over those rows,
// the mean per-pixel cost over the columns its fade blends plus the middle
// pull, the narrowing cost and the step cost, moving at most maxStep columns
// per row (that many per row skipped over rows without common pixels); then
// the fade widths along it minimise their cost plus the cost of changing.
RowSeam findContentSeam(const cv::Mat& upper, const cv::Mat& lower, bool upperKeepsLeft,
                        const ContentSeamOptions& options = ContentSeamOptions());
