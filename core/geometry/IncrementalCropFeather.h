// Keeps a display image equal to copyCropFeather of its source across changes
// of the crop and the ramp widths, rewriting only the pixels a change can
// reach: a slider notch moves a few columns of clearing and the ramps next to
// them, which on a full-canvas layer is a few percent of the image.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "geometry/Feather.h"

class IncrementalCropFeather {
public:
    // Makes `dst` what copyCropFeather(src, dst, plan.cleared, plan.startWidth,
    // plan.endWidth) makes it, byte for byte. Returns the areas of dst whose
    // pixels may differ from before the call (empty: nothing changed); a rebuilt
    // dst gives one rectangle over the whole image.
    //
    // Only the pixels a change can reach are rewritten when src is the source of
    // the previous call and dst still holds that call's result in a buffer no
    // one else holds; otherwise dst is rebuilt as copyCropFeather does (a dst
    // shared with another matrix gets a new buffer). To tell this safely the
    // object keeps a reference to both images until the next call or clear().
    // src must not be changed in place between calls.
    std::vector<cv::Rect> apply(const cv::Mat& src, cv::Mat& dst, const CropPlan& plan);
    // Of the last call's areas, those holding every pixel whose alpha turned
    // to or from 0 (a weight appeared or vanished); the whole image after a
    // rebuild.
    const std::vector<cv::Rect>& weightChanges() const { return weightChanges_; }

    // Forgets the previous call and drops the references to its images.
    void clear();

    // Where the source has valid pixels: one rectangle per maximal run of columns
    // holding a valid pixel in some row, over the rows of that run's valid
    // pixels; in column order. Crop and ramps only clear, so `dst` is transparent
    // outside them. Empty unless src and dst are the last call's (nothing known
    // then). The source is scanned once, at the first call after it changed.
    const std::vector<cv::Rect>& validRegions(const cv::Mat& src, const cv::Mat& dst);

private:
    bool holdsResultOf(const cv::Mat& src, const cv::Mat& dst) const;
    // Per row, the transitions of the uncropped source.
    void scanSource();

    cv::Mat source_;
    cv::Mat target_;
    std::vector<ColumnRange> cleared_;  // sorted, disjoint, inside the image
    int startWidth_ = 0;
    int endWidth_ = 0;
    // The source's transitions of row r are transitions_[rowFirst_[r] ..
    // rowFirst_[r + 1]); empty until the first incremental call.
    std::vector<int> rowFirst_;
    std::vector<RampTransition> transitions_;
    std::vector<cv::Rect> regions_;  // of validRegions, empty until asked
    std::vector<cv::Rect> weightChanges_;
};
