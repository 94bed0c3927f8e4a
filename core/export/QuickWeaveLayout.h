// Where everything lies in "QuickWeave_Projcet.tab", for the writer
// (QuickWeaveExport) and the reader (tables/QuickWeaveReader) alike. All
// little-endian, no padding: int32 N, W, H; the drawing order, one int32
// camera index per stacking position, bottom first; then one section per
// camera in index order: int32 offsetX, offsetY, cols, rows, rows x cols
// float32 pairs (the source position divided by the source size), rows x
// cols weight bytes.
#pragma once

#include <cstdint>

namespace quickweave {

constexpr int kCameraCountAt = 0;
constexpr int kWidthAt = 4;
constexpr int kHeightAt = 8;
constexpr int kHeaderBytes = 12;
constexpr int kOrderItemBytes = 4;

// Offsets within a camera section.
constexpr int kOffsetXAt = 0;
constexpr int kOffsetYAt = 4;
constexpr int kColsAt = 8;
constexpr int kRowsAt = 12;
constexpr int kSectionHeaderBytes = 16;
constexpr int kPositionBytes = 8;
constexpr int kWeightBytes = 1;

// Where the first camera section starts, after a drawing order of `order` entries.
constexpr uint64_t sectionsStart(uint64_t order) {
    return kHeaderBytes + kOrderItemBytes * order;
}
// The size of a section of `pixels` remapped pixels.
constexpr uint64_t sectionBytes(uint64_t pixels) {
    return kSectionHeaderBytes + (kPositionBytes + kWeightBytes) * pixels;
}

}  // namespace quickweave
