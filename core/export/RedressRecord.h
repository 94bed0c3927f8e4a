// The remap record of the device tables: one rectangle of remap entries that
// all read from one source block, written as a fixed 65,552-byte record. Every
// camera section of "Camera_2K_Project.tab" and "Camera_4K_Project.tab" is a
// run of these.
#pragma once

#include <cstdint>
#include <vector>

#include "export/RemapEntry.h"

class LittleEndianWriter;

// Most entries one record may use (0x3FF0), 16 fewer than its slots; the record
// builders cut their rectangles so that no record needs more.
constexpr int kRedressMaxValidBlockSize = 16368;

struct RedressRecord {
    // The header, eight uint16 at these offsets: the fields below, then the
    // source block's size (128, 180).
    static constexpr int kPanoXAt = 0;
    static constexpr int kPanoYAt = 2;
    static constexpr int kWidthAt = 4;
    static constexpr int kRowsAt = 6;
    static constexpr int kSrcX0At = 8;
    static constexpr int kSrcY0At = 10;
    static constexpr int kBlockWidthAt = 12;
    static constexpr int kBlockHeightAt = 14;
    static constexpr int kHeaderBytes = 16;
    // Then the entry slots, four bytes each.
    static constexpr int kCapacity = 16384;
    static constexpr int kEntryBytes = 4;
    static constexpr int kBytes = kHeaderBytes + kEntryBytes * kCapacity;

    uint16_t panoX = 0;  // panorama column of entry (0, 0)
    uint16_t panoY = 0;  // panorama row of entry (0, 0)
    uint16_t width = 0;  // entries per row
    uint16_t rows = 0;   // entry rows
    uint16_t srcX0 = 0;  // 128 bx
    uint16_t srcY0 = 0;  // 180 by
    // width x rows packed entries, row by row: entry (i, j) is panorama pixel
    // (panoX + j, panoY + i).
    std::vector<uint32_t> entries;

    // A record of width x rows invalid entries for block (bx, by); values are
    // stored as uint16 (cut to 16 bits) as the format does. Asserts that
    // width x rows fits the record.
    static RedressRecord make(int panoX, int panoY, int width, int rows, int bx, int by);
    // The same in place, keeping the entry storage of an earlier record.
    void reset(int panoX, int panoY, int width, int rows, int bx, int by);
    // Entry row i (width entries).
    uint32_t* row(int i) { return entries.data() + static_cast<size_t>(i) * width; }
    void set(int i, int j, const RemapEntry& e) {
        entries[static_cast<size_t>(i) * width + static_cast<size_t>(j)] = e.packed();
    }
    bool anyValid() const;
    // The header, the entries, then invalid entries up to kCapacity.
    void writeTo(LittleEndianWriter& out) const;
    // The header fields of the record at file offset `at` of a little-endian
    // view (ByteView), without entries; the block size fields are left to the
    // caller.
    template <class View>
    static RedressRecord readHeader(const View& in, uint64_t at) {
        RedressRecord r;
        r.panoX = in.u16(at + kPanoXAt);
        r.panoY = in.u16(at + kPanoYAt);
        r.width = in.u16(at + kWidthAt);
        r.rows = in.u16(at + kRowsAt);
        r.srcX0 = in.u16(at + kSrcX0At);
        r.srcY0 = in.u16(at + kSrcY0At);
        return r;
    }
};

// The device's grid: a record's first panorama column and its width are
// multiples of 16. Records of the 4K table, and the rectangles of a large 2K
// panorama, also start on an even row and cover an even number of rows.
constexpr int kRecordColumnAlignment = 16;
constexpr int kRecordRowAlignment = 2;

// A span [start, start + length) grown to the device's grid of `multiple`:
// start moves down to the largest multiple not above it (`before` units added
// in front), then length grows to a multiple (`after` units added behind). The
// record builders place their rectangles with it.
struct AlignedSpan {
    int start = 0;
    int length = 0;
    int before = 0;
    int after = 0;
};
AlignedSpan alignSpan(int start, int length, int multiple);
