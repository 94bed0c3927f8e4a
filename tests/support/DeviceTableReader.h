// Test-only reader of the "J01" device table container (2K and 4K tables):
// header, the five per-camera arrays, each camera's remap records and the raw
// bytes of the blend table (whose layout each format's tests decode).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "LittleEndianReader.h"

namespace testsupport {

struct ReadRedressRecord {
    uint16_t panoX, panoY, width, rows, srcX0, srcY0, blockW, blockH;
    std::vector<uint32_t> entries;  // all 16384, fx in the low half, fy in the high half
    uint16_t fx(int i, int j) const { return static_cast<uint16_t>(entries[i * width + j]); }
    uint16_t fy(int i, int j) const { return static_cast<uint16_t>(entries[i * width + j] >> 16); }
    // panoX, panoY, width, rows, srcX0, srcY0, blockW, blockH.
    std::vector<int> header() const {
        return {panoX, panoY, width, rows, srcX0, srcY0, blockW, blockH};
    }
    // Whether every entry past width x rows is the invalid filler.
    bool filledPastRows() const {
        for (size_t e = static_cast<size_t>(width) * rows; e < entries.size(); ++e)
            if (entries[e] != 0x4FFF4FFFu) return false;
        return true;
    }
    // Whether the 4K device can read the record: 16 columns by 2 rows aligned,
    // within the entry limit, reading from the origin of a source block.
    bool onGrid4K() const {
        return panoX % 16 == 0 && width % 16 == 0 && panoY % 2 == 0 && rows % 2 == 0 && rows > 0 &&
               width * rows <= 16368 && srcX0 % blockW == 0 && srcY0 % blockH == 0 &&
               filledPastRows();
    }
};

struct ReadDeviceTable {
    // header
    std::string magic;  // the 4 magic bytes
    uint32_t zero4, headerSize, sizeMinus128;
    int32_t sourceWidth0, sourceHeight0, W, H;
    uint16_t blockW, blockH;
    int32_t N;
    uint32_t blendOffset, blendLength, blendRecords;
    std::vector<uint8_t> headerTail;  // bytes 52..127
    // arrays
    std::vector<uint32_t> sectionOffset, sectionLength, recordCount;
    std::vector<uint16_t> a4W, a4H;
    std::vector<uint32_t> a5;
    // content
    std::vector<std::vector<ReadRedressRecord>> records;  // per camera
    std::vector<uint8_t> blendTable;
    size_t fileSize = 0;
};

constexpr size_t kRedressRecordBytes = 65552;

// Parses a whole table; throws std::runtime_error (or std::out_of_range) when
// the file is inconsistent: section lengths that are not whole records, sections
// that overlap or leave gaps, a blend table that does not end the file.
inline ReadDeviceTable parseDeviceTable(const std::vector<uint8_t>& bytes) {
    LittleEndianReader in(bytes);
    ReadDeviceTable t;
    t.fileSize = bytes.size();
    t.magic.assign(bytes.begin(), bytes.begin() + 4);
    t.zero4 = in.u32(4);
    t.headerSize = in.u32(8);
    t.sizeMinus128 = in.u32(12);
    t.sourceWidth0 = in.i32(16);
    t.sourceHeight0 = in.i32(20);
    t.W = in.i32(24);
    t.H = in.i32(28);
    t.blockW = in.u16(32);
    t.blockH = in.u16(34);
    t.N = in.i32(36);
    t.blendOffset = in.u32(40);
    t.blendLength = in.u32(44);
    t.blendRecords = in.u32(48);
    t.headerTail = in.bytes(52, 76);
    if (t.N < 0 || t.N > 100000) throw std::runtime_error("implausible camera count");
    const size_t n = static_cast<size_t>(t.N);
    for (size_t i = 0; i < n; ++i) {
        t.sectionOffset.push_back(in.u32(128 + 4 * i));
        t.sectionLength.push_back(in.u32(128 + 4 * n + 4 * i));
        t.recordCount.push_back(in.u32(128 + 8 * n + 4 * i));
        t.a4W.push_back(in.u16(128 + 12 * n + 4 * i));
        t.a4H.push_back(in.u16(128 + 12 * n + 4 * i + 2));
        t.a5.push_back(in.u32(128 + 16 * n + 4 * i));
    }
    size_t expected = 128 + 20 * n;
    t.records.resize(n);
    for (size_t i = 0; i < n; ++i) {
        if (t.sectionOffset[i] != expected)
            throw std::runtime_error("section " + std::to_string(i) + " not contiguous");
        if (t.sectionLength[i] != t.recordCount[i] * kRedressRecordBytes)
            throw std::runtime_error("section " + std::to_string(i) + " length mismatch");
        for (uint32_t k = 0; k < t.recordCount[i]; ++k) {
            const size_t at = t.sectionOffset[i] + k * kRedressRecordBytes;
            ReadRedressRecord r;
            r.panoX = in.u16(at);
            r.panoY = in.u16(at + 2);
            r.width = in.u16(at + 4);
            r.rows = in.u16(at + 6);
            r.srcX0 = in.u16(at + 8);
            r.srcY0 = in.u16(at + 10);
            r.blockW = in.u16(at + 12);
            r.blockH = in.u16(at + 14);
            r.entries.resize(16384);
            for (size_t e = 0; e < 16384; ++e) r.entries[e] = in.u32(at + 16 + 4 * e);
            t.records[i].push_back(std::move(r));
        }
        expected += t.sectionLength[i];
    }
    if (t.blendOffset != expected) throw std::runtime_error("blend table not after the sections");
    if (static_cast<size_t>(t.blendOffset) + t.blendLength != bytes.size())
        throw std::runtime_error("blend table does not end the file");
    t.blendTable = in.bytes(t.blendOffset, t.blendLength);
    return t;
}

inline ReadDeviceTable readDeviceTable(const std::string& path) {
    return parseDeviceTable(readFileBytes(path));
}

}  // namespace testsupport
