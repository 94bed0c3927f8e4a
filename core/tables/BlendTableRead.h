// The blend table of a device table as read back: for every panorama pixel one
// weight per camera, and the header fields of every record in file order.
//
// Both formats cut each panorama row into the column blocks of BlendPartition
// and write one record per block, row 0 first: an 8-byte header (uint16 row,
// uint16 first column, uint16 width, two bytes) and then, per column, the
// weights of camera 0 .. N-1. The record sizes follow from N and W alone, so a
// reader can walk the table even when a header field is wrong, and report it.
//   2K: row field = y; byte 6 = block count; byte 7 = block number (1-based).
//   4K: row field = y in bits 0..10 and, in bits 11..15, how many rows below
//       repeat this record's weights; bytes 6 and 7 carry the block count and
//       number in bits 0..4 and presence bits for cameras 3..5 and 0..2 in bits
//       5..7, all set in the last block of a row.
// The weights of one pixel sum to at most 255.
#pragma once

#include <cstdint>
#include <vector>

#include "export/BlendPartition.h"
#include "tables/ByteSource.h"
#include "tables/TableViolations.h"

// A record's header as read.
struct BlendRecordFields : BlendRecordHeader {
    int y = 0;  // the row the record stands for (by its place in the file)
};

struct BlendTableRead {
    int W = 0, H = 0, N = 0;
    // Rows that were read completely (H unless the table is cut short).
    int rowsRead = 0;
    std::vector<uint8_t> weights;  // rowsRead x W x N
    std::vector<BlendRecordFields> records;

    uint8_t weight(int x, int y, int camera) const {
        return weights[(static_cast<size_t>(y) * W + x) * N + camera];
    }
    // Weight of `camera` at column `pixel` of record `r`.
    uint8_t weight(const BlendRecordFields& r, int pixel, int camera) const {
        return weight(r.x + pixel, r.y, camera);
    }
};

// The table is the `length` bytes of `source` from `start` (violations carry
// source offsets), read a row at a time. N, W and H come from the container.
// Violations go to `log`; a table cut short keeps its whole rows.
BlendTableRead readBlendTable2K(ByteSource& source, uint64_t start, uint64_t length, int N, int W,
                                int H, TableViolations& log);
BlendTableRead readBlendTable4K(ByteSource& source, uint64_t start, uint64_t length, int N, int W,
                                int H, TableViolations& log);
