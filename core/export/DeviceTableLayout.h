// Where everything lies in the "J01" container of the device tables, for the
// writer (DeviceTableFile) and the reader (tables/DeviceTableReader) alike.
//
// All little-endian. A 128-byte header:
//   0: "J01\0"  4: uint32 0  8: uint32 128 (header size)  12: uint32 file size - 128
//  16: int32 camera 0 source width  20: int32 camera 0 source height
//  24: int32 W  28: int32 H  32: uint16 128  34: uint16 180 (source block size)
//  36: int32 N  40: uint32 blend table offset  44: uint32 blend table length
//  48: uint32 blend record count  52: zero to the end of the header
// then five arrays of N four-byte items (A1 section offsets, A2 section
// lengths, A3 record counts, A4 uint16 W and uint16 H, A5 zero), then one
// section of remap records per camera, then the blend table.
#pragma once

#include <cstdint>

namespace device_table {

// The remap records, A4 and the blend records hold panorama columns, rows and
// sizes in 16 bits.
constexpr int kMaxPanoramaExtent = 0xFFFF;

constexpr char kMagic[4] = {'J', '0', '1', '\0'};
constexpr int kMagicBytes = 4;
constexpr int kHeaderBytes = 128;

constexpr int kReservedAt = 4;
constexpr int kHeaderSizeAt = 8;
constexpr int kFileSizeAt = 12;
constexpr int kSourceWidthAt = 16;
constexpr int kSourceHeightAt = 20;
constexpr int kWidthAt = 24;
constexpr int kHeightAt = 28;
constexpr int kBlockWidthAt = 32;
constexpr int kBlockHeightAt = 34;
constexpr int kCameraCountAt = 36;
constexpr int kBlendOffsetAt = 40;
constexpr int kBlendLengthAt = 44;
constexpr int kBlendRecordsAt = 48;
constexpr int kZerosAt = 52;

enum Array { SectionOffsets = 0, SectionLengths, RecordCounts, PanoramaSizes, Reserved };
constexpr int kArrayCount = 5;
constexpr int kItemBytes = 4;

// File offset of item i of array `a` in a table of N cameras.
constexpr uint64_t arrayItem(Array a, uint64_t N, uint64_t i) {
    return kHeaderBytes + kItemBytes * (static_cast<uint64_t>(a) * N + i);
}
// Where the first camera section starts: right after the arrays.
constexpr uint64_t sectionsStart(uint64_t N) {
    return kHeaderBytes + kItemBytes * kArrayCount * N;
}

}  // namespace device_table
