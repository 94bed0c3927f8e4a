// The device view: what the stitching device shows for a table, given the
// rig's camera frames, and how much of the panorama the table covers.
//
// The project's understanding of the device, which the render follows:
//  - every valid entry of a camera's records places that camera's source
//    position - the record's source-block origin plus the entry's 12.4
//    fixed-point offset - at the entry's panorama pixel (panoX + j, panoY + i);
//    the camera frame is sampled there bilinearly, pixel centres on whole
//    numbers, neighbours past the frame's edge repeating the edge;
//  - where two records of one camera place the same pixel, the later one in
//    the file wins (they differ at most by the clamp at a block's edge);
//  - at every pixel the cameras are combined with the blend table's weights,
//    normalised by their sum; a camera that has weight but no entry there
//    contributes black, since the device has nothing to read for it;
//  - pixels whose weights sum to 0 are holes and stay black.
// A QuickWeave file is shown the same way from its own per-pixel weights and
// its normalised positions times the camera's frame size.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "tables/DeviceTableReader.h"
#include "tables/QuickWeaveReader.h"

// The render and the coverage hold a byte per panorama pixel of each camera's
// reach (four when rendering) and four per panorama pixel. A header can claim
// any size; they are computed only for what the file itself holds: a device
// table's blend table whole (a weight per camera and panorama pixel), a
// QuickWeave file's every camera section. Beyond kMaxViewBytes they refuse too.
constexpr uint64_t kMaxViewBytes = uint64_t(1) << 32;

// Empty when the table's device view and coverage can be computed; otherwise
// why not, e.g. "its blend table holds 0 of its 32767 rows" (renderDeviceView
// and measureCoverage then return empty results).
std::string viewProblem(const DeviceTable& table);
std::string viewProblem(const QuickWeaveTable& table);

struct DeviceView {
    cv::Mat image;    // H x W, CV_8UC3 (B, G, R)
    cv::Mat covered;  // H x W, CV_8U: 255 where the weights sum above 0
};

// `frames` holds camera 0 .. N-1 as 8-bit BGR images; a camera without a frame
// (empty or missing) reads black.
DeviceView renderDeviceView(const DeviceTable& table, const std::vector<cv::Mat>& frames);
DeviceView renderDeviceView(const QuickWeaveTable& table, const std::vector<cv::Mat>& frames);

struct CameraCoverage {
    uint64_t records = 0;
    uint64_t entries = 0;   // valid entries inside the panorama
    uint64_t weighted = 0;  // panorama pixels where the camera has weight
    uint64_t holes = 0;     // ... of those, pixels without an entry of the camera
};

struct TableCoverage {
    uint64_t pixels = 0;   // W x H
    uint64_t covered = 0;  // pixels whose weights sum above 0
    // Pixels some camera has an entry for but whose weights sum to 0: inside
    // the cameras' union, yet the device shows black there.
    uint64_t uncoveredInUnion = 0;
    std::vector<CameraCoverage> cameras;

    // Cameras that have weight somewhere but not a single entry: the device
    // shows black wherever they should be seen.
    std::vector<int> leftOut() const {
        std::vector<int> out;
        for (size_t c = 0; c < cameras.size(); ++c)
            if (cameras[c].weighted > 0 && cameras[c].entries == 0)
                out.push_back(static_cast<int>(c));
        return out;
    }
};

// A QuickWeave position counts as an entry when it lies less than a pixel
// before the frame or inside it, as in the render; with no frame sizes given,
// when it lies in [0, 1).
TableCoverage measureCoverage(const DeviceTable& table);
TableCoverage measureCoverage(const QuickWeaveTable& table,
                              const std::vector<cv::Size>& frameSizes = {});

// Where a table shows its cameras, for checking it against what they see.
struct TableReach {
    cv::Mat covered;  // H x W, CV_8U: 255 where some camera has weight and an entry
    // Per camera, the panorama pixels its entries can reach, and within that
    // box a CV_8U mask, 255 where it has an entry.
    std::vector<cv::Rect> boxes;
    std::vector<cv::Mat> entries;
};
// Empty (no cameras, no mask) where viewProblem names a problem.
TableReach measureReach(const DeviceTable& table);
TableReach measureReach(const QuickWeaveTable& table, const std::vector<cv::Size>& frameSizes = {});

// Peak signal-to-noise ratio in dB of two 8-bit images of one size over the
// pixels where `mask` is not 0 (all pixels when it is empty); +infinity when
// they agree there, 0 when the mask selects nothing.
double maskedPsnr(const cv::Mat& a, const cv::Mat& b, const cv::Mat& mask);
