// What the blend tables of the device tables share: the cut of every panorama
// row into column blocks, one record per block, the header every record starts
// with, and the outcome of writing a table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "export/ExportResult.h"

class LittleEndianWriter;

// The 8-byte header of a blend record, the same in both formats (little-endian):
//   0: uint16 row field   2: uint16 first column   4: uint16 width
//   6: uint8 byte 6       7: uint8 byte 7
// then width x N weight bytes. What the row field and bytes 6 and 7 hold
// belongs to each format. The writers write it and the readers read it here.
struct BlendRecordHeader {
    static constexpr int kRowAt = 0;
    static constexpr int kXAt = 2;
    static constexpr int kWidthAt = 4;
    static constexpr int kByte6At = 6;
    static constexpr int kByte7At = 7;
    static constexpr int kBytes = 8;

    uint16_t rowField = 0;
    uint16_t x = 0;
    uint16_t width = 0;
    uint8_t byte6 = 0;
    uint8_t byte7 = 0;

    void writeTo(LittleEndianWriter& out) const;
    // The header at file offset `at` of a little-endian view (ByteView).
    template <class View>
    static BlendRecordHeader readFrom(const View& in, uint64_t at) {
        BlendRecordHeader h;
        h.rowField = in.u16(at + kRowAt);
        h.x = in.u16(at + kXAt);
        h.width = in.u16(at + kWidthAt);
        h.byte6 = in.u8(at + kByte6At);
        h.byte7 = in.u8(at + kByte7At);
        return h;
    }
};

// Most cameras a blend table can hold: beyond it the block width would be 0.
constexpr int kMaxBlendCameras = 750;

// Column blocks of one blend-table row: blockWidth = the largest multiple of 4
// not above trunc(3000 / N), so that a record's weights never exceed 3000
// bytes; blockCount = ceil(W / blockWidth); block m starts at m * blockWidth and
// is blockWidth wide except the last, which is W - (blockCount - 1) * blockWidth
// wide. blockWidth is 0 (and blockCount 0) when N < 1 or N > 750.
struct BlendPartition {
    // Blend records address whole 32-bit words: a block's first column and
    // width must be multiples of this.
    static constexpr int kAlignment = 4;

    int blockWidth = 0;
    int blockCount = 0;
    int W = 0;
    int start(int m) const { return m * blockWidth; }
    int width(int m) const { return m == blockCount - 1 ? W - m * blockWidth : blockWidth; }
    // Only the last block can be misaligned, exactly when W is not a multiple of 4.
    bool aligned(int m) const { return start(m) % kAlignment == 0 && width(m) % kAlignment == 0; }
    // Bytes of one record of block m: the header, then N weights per column.
    int64_t recordBytes(int m, int N) const {
        return BlendRecordHeader::kBytes + static_cast<int64_t>(width(m)) * N;
    }
    // Bytes of one table row, the same for every row: all its records.
    int64_t rowBytes(int N) const {
        return BlendRecordHeader::kBytes * static_cast<int64_t>(blockCount) +
               static_cast<int64_t>(W) * N;
    }
};
BlendPartition blendPartition(int W, int N);

// Why a blend table cannot hold N cameras (no block width is left), empty when
// it can; the text has no line end.
std::string blendCameraCountProblem(int N);
// For exporters with a blend table: a Failed result (that message printed)
// when the camera count leaves no block width, before anything is written.
std::optional<ExportResult> checkBlendCameraCount(int N, const std::string& path);

// What writing a blend table found, printing nothing: the record count, or the
// misaligned block (its width and first column) that stopped it.
struct BlendTableOutcome {
    uint32_t records = 0;
    bool misaligned = false;
    int width = 0;
    int x = 0;
};

// The message and result of a misaligned block (printed now).
ExportResult blendTableMisaligned(const BlendTableOutcome& outcome, const std::string& path);
