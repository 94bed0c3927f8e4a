// Test-only reader of the 4K blend table: the records in file order, each with
// its row field, block header bytes and weights.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "LittleEndianReader.h"

namespace testsupport {

struct BlendRecord4KRead {
    uint16_t rowField = 0;
    uint16_t x = 0;
    uint16_t width = 0;
    uint8_t byte6 = 0;
    uint8_t byte7 = 0;
    std::vector<uint8_t> weights;  // width x N, per pixel the N camera weights

    int row() const { return rowField & 0x7FF; }
    int blockCount() const { return byte6 & 0x1F; }
    int blockNumber() const { return byte7 & 0x1F; }  // m + 1
    uint8_t weight(int pixel, int camera, int N) const {
        return weights.at(static_cast<size_t>(pixel) * N + camera);
    }
};

// Splits a whole table of N cameras into its records; throws when a record
// runs past the end.
inline std::vector<BlendRecord4KRead> parseBlendTable4K(const std::vector<uint8_t>& bytes, int N) {
    LittleEndianReader in(bytes);
    std::vector<BlendRecord4KRead> records;
    size_t at = 0;
    while (at < bytes.size()) {
        BlendRecord4KRead r;
        r.rowField = in.u16(at);
        r.x = in.u16(at + 2);
        r.width = in.u16(at + 4);
        r.byte6 = in.u8(at + 6);
        r.byte7 = in.u8(at + 7);
        r.weights = in.bytes(at + 8, static_cast<size_t>(r.width) * N);
        at += 8 + r.weights.size();
        records.push_back(std::move(r));
    }
    return records;
}

}  // namespace testsupport
