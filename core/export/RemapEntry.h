// Remap entries: where a panorama pixel is read inside its record's source
// block, as an unsigned 12.4 fixed-point offset (1/16 pixel) from the block's
// top-left corner. The encoding rule is written once, for any lane type: the
// single-entry encoder, the row encoder's four-entry SSE2 lanes and its tail
// all apply entryValid and entryBits.
#pragma once

#include <algorithm>
#include <cstdint>
#include <opencv2/core.hpp>

#include "export/ExportSnapshot.h"
#include "export/SourceBlocks.h"

// Offsets count in sixteenths of a pixel.
constexpr int kEntryScale = 16;
// A valid offset lies in the block, clamped to its last pixel: fx in 0..2032,
// fy in 0..2864.
constexpr uint16_t kMaxEntryFx = kEntryScale * (kSourceBlockWidth - 1);
constexpr uint16_t kMaxEntryFy = kEntryScale * (kSourceBlockHeight - 1);
// fx = fy = 0x4FFF, above both limits, so no valid entry equals it.
constexpr uint16_t kInvalidOffset = 0x4FFF;

// An entry as written: fx in the low half, fy in the high half.
constexpr uint32_t packEntry(uint16_t fx, uint16_t fy) {
    return static_cast<uint32_t>(fx) | (static_cast<uint32_t>(fy) << 16);
}
constexpr uint16_t entryFx(uint32_t entry) {
    return static_cast<uint16_t>(entry);
}
constexpr uint16_t entryFy(uint32_t entry) {
    return static_cast<uint16_t>(entry >> 16);
}
constexpr uint32_t kInvalidEntry = packEntry(kInvalidOffset, kInvalidOffset);
static_assert(kInvalidOffset > kMaxEntryFx && kInvalidOffset > kMaxEntryFy);

// One remap entry.
struct RemapEntry {
    uint16_t fx = kInvalidOffset;
    uint16_t fy = kInvalidOffset;
    bool valid = false;
    uint32_t packed() const { return packEntry(fx, fy); }
};

// The rule on one entry at a time. A lane type L provides Float, Mask and Bits
// and the operations below; RemapEntry.cpp has the SSE2 one.
struct ScalarLanes {
    using Float = float;
    using Mask = bool;
    using Bits = uint32_t;
    static Float splat(float v) { return v; }
    static Mask greater(Float a, Float b) { return a > b; }
    static Mask less(Float a, Float b) { return a < b; }
    static Mask both(Mask a, Mask b) { return a && b; }
    static Mask unless(Mask no, Mask m) { return m && !no; }
    static Float clamp(Float v, float hi) { return std::min(std::max(v, 0.0f), hi); }
    static Bits sixteenths(Float v) {
        return static_cast<uint16_t>(static_cast<int>(v * static_cast<float>(kEntryScale)));
    }
    static Bits pack(Bits fx, Bits fy) { return fx | (fy << 16); }
};

// (dx, dy): the source position minus the block's corner, in pixels. Valid
// only where the weight is not 0 and trunc(dx) is in 0..127, trunc(dy) in
// 0..179. Tested on the float: a position less than one pixel before the block
// truncates to 0 and counts; far-away or non-numeric positions never wrap round
// into range.
template <class L>
inline typename L::Mask entryValid(typename L::Float dx, typename L::Float dy,
                                   typename L::Mask weightZero) {
    const typename L::Float before = L::splat(-1.0f);
    return L::unless(
        weightZero,
        L::both(L::both(L::greater(dx, before),
                        L::less(dx, L::splat(static_cast<float>(kSourceBlockWidth)))),
                L::both(L::greater(dy, before),
                        L::less(dy, L::splat(static_cast<float>(kSourceBlockHeight))))));
}

// The packed entry of a valid offset: clamped to the block, in 1/16 pixel.
template <class L>
inline typename L::Bits entryBits(typename L::Float dx, typename L::Float dy) {
    return L::pack(L::sixteenths(L::clamp(dx, kSourceBlockWidth - 1.0f)),
                   L::sixteenths(L::clamp(dy, kSourceBlockHeight - 1.0f)));
}

// Encodes camera pixel (row r, column c) against block (bx, by) with the rule
// above; pixels outside the map or the weights image are invalid.
inline RemapEntry encodeEntry(const CameraSnapshot& camera, int r, int c, int bx, int by) {
    const cv::Mat& map = camera.map;
    const cv::Mat& w = camera.weights;
    if (r < 0 || c < 0 || r >= map.rows || c >= map.cols || r >= w.rows || c >= w.cols) return {};
    const cv::Vec2f pos = map.at<cv::Vec2f>(r, c);
    const float dx = pos[0] - static_cast<float>(kSourceBlockWidth * bx);
    const float dy = pos[1] - static_cast<float>(kSourceBlockHeight * by);
    if (!entryValid<ScalarLanes>(dx, dy, w.at<cv::Vec4b>(r, c)[3] == 0)) return {};
    const uint32_t bits = entryBits<ScalarLanes>(dx, dy);
    return RemapEntry{static_cast<uint16_t>(bits), static_cast<uint16_t>(bits >> 16), true};
}

// encodeEntry for camera row r, columns c0..c1, against block (bx, by): the
// packed entry of column c goes to out[c - c0] when it is valid; the other
// slots are left as they are. True when any entry is valid.
bool encodeRow(const CameraSnapshot& camera, int r, int c0, int c1, int bx, int by, uint32_t* out);
