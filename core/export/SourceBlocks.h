// A camera's remapped pixels grouped by source block: the camera's input image
// is cut into blocks of 128 columns by 180 rows, and every remap record reads
// from exactly one of them.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

#include "export/ExportSnapshot.h"

constexpr int kSourceBlockWidth = 128;
constexpr int kSourceBlockHeight = 180;
// A record keeps its source block's origin in 16 bits, so the device tables
// can address source images of at most 512 blocks across and 365 down.
constexpr int kMaxSourceWidth = 512 * kSourceBlockWidth;    // 65536
constexpr int kMaxSourceHeight = 365 * kSourceBlockHeight;  // 65700

struct SourceBlock {
    int bx = 0;              // block column: source x in [128 bx, 128 bx + 128)
    int by = 0;              // block row: source y in [180 by, 180 by + 180)
    uint32_t key = 0;        // (by << 16) | bx, each cut to 16 bits
    int counter = 0;         // 1, 2, 3, ... in ascending key order (debug colours)
    int label = 0;           // the block's value in SourceBlockMap::labels (1, 2, ...)
    cv::Rect bounds;         // bounding box of the block's pixels, camera coordinates
    int64_t pixelCount = 0;  // number of the block's pixels

    static uint32_t makeKey(int bx, int by) {
        return (static_cast<uint32_t>(by & 0xFFFF) << 16) | static_cast<uint32_t>(bx & 0xFFFF);
    }
};

// A camera's map cut by source block without a list per pixel: every map
// element carries the label of its block (0: in no block), and every block
// its bounding box and pixel count. A list of 16 bytes per remapped pixel would
// cost far more memory and time than the exports need.
struct SourceBlockMap {
    std::vector<SourceBlock> blocks;  // ascending key order, counters set
    // The size of the map: CV_16UC1 when the source image has room for at most
    // 65535 blocks (at panorama size the labels are the largest buffer a
    // section holds), CV_32SC1 otherwise.
    cv::Mat labels;
};

// Groups the camera's map elements by source block: block (trunc(x / 128),
// trunc(y / 180)). Elements with x <= 0, y <= 0, x >= sourceWidth or
// y >= sourceHeight (or not a number) are in no block. Returns the blocks in
// ascending key order with their counters set.
SourceBlockMap mapSourceBlocks(const CameraSnapshot& camera);
