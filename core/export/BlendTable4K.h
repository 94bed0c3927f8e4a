// The run-length blend table that ends "Camera_4K_Project.tab": for every
// panorama pixel the weight 0..255 of every camera, cut into column blocks.
//
// Each panorama row is cut into the column blocks of blendPartition(W, N); each
// block of each row is one record (all little-endian):
//   0: uint16 row field: bits 0-10 the row y, bits 11-15 the number k of rows
//      directly below that belong to the same run (0 for the last record of a
//      run or a record standing alone)
//   2: uint16 first column of the block     4: uint16 width of the block
//   6: uint8  bits 0-4 block count, bits 5-7 cameras 3, 4, 5 present
//   7: uint8  bits 0-4 block number + 1, bits 5-7 cameras 0, 1, 2 present
//      (the last block of every row has bits 5-7 of both bytes set)
//   8: width x N bytes, per pixel left to right the N weights in camera order.
// A run is a stretch of at most 32 consecutive rows whose records of one block
// carry identical weights. Every block of every row is written, so the table
// holds H x blockCount records and each row takes the same number of bytes,
// which is what lets a run be marked by patching the rows above in place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/BlendPartition.h"
#include "export/DeviceTableLayout.h"
#include "export/ExportResult.h"
#include "export/WeightVolume.h"

class LittleEndianWriter;

// The row field: the row in its low 11 bits and, in the 5 above them, how many
// rows below repeat the record (0..31). So a run holds at most 32 rows, and
// the table at most 2048.
constexpr int kBlendRowBits = 11;
constexpr int kBlendTable4KMaxRows = 1 << kBlendRowBits;
constexpr int kBlendMaxRunRows = 1 << (16 - kBlendRowBits);
inline uint16_t blendRowField(int row, int repeats) {
    return static_cast<uint16_t>(row | (repeats << kBlendRowBits));
}

// Presence bits 5-7 of bytes 7 and 6: cameras 0-2 and 3-5 have weight in the
// record. The last block of every row has all six set, whatever the weights.
constexpr uint8_t kBlendPresenceBits = 0xE0;
inline void markCameraPresent(int camera, uint8_t& byte6, uint8_t& byte7) {
    if (camera < 3)
        byte7 |= static_cast<uint8_t>(1u << (5 + camera));
    else if (camera < 6)
        byte6 |= static_cast<uint8_t>(1u << (5 + camera - 3));
}
// Bytes 6 and 7 keep 5 bits for the block count and the block number.
constexpr int kBlendTable4KMaxBlocks = 31;
// Block columns are 16-bit fields.
constexpr int kBlendTable4KMaxWidth = device_table::kMaxPanoramaExtent;

// Why a W x H panorama of N cameras does not fit the fields of the 4K tables
// (or has a negative size), naming the table `path`; empty when it fits. N
// must be 1..kMaxBlendCameras (blendCameraCountProblem). No line end.
std::string blendTable4KSizeProblem(int N, int W, int H, const std::string& path);
// The same as a Failed result (message printed), checked before anything is
// written; nothing when it fits.
std::optional<ExportResult> checkBlendTable4KSize(int N, int W, int H, const std::string& path);

// Writes the table at the writer's cursor and leaves the cursor at its end,
// without printing anything (so that it can run beside the camera sections,
// into memory, and report at its turn). `drawOrder` names the camera of each
// stacking position of `volume`; a camera missing from it weighs 0. On a
// misaligned block it stops after the rest of row 0 was written. The panorama
// must have passed checkBlendTable4KSize.
BlendTableOutcome buildBlendTable4K(LittleEndianWriter& out, const WeightVolume& volume, int N,
                                    int W, int H, const std::vector<int>& drawOrder);
// The same from the volume's rows a band at a time.
BlendTableOutcome buildBlendTable4K(LittleEndianWriter& out, WeightRows& volume, int N, int W,
                                    int H, const std::vector<int>& drawOrder);
