// Test-only: reads little-endian values out of a byte buffer, the mirror of the
// exporters' writer. Out-of-range reads throw, so a malformed file fails the test
// instead of reading past the buffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

inline std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

class LittleEndianReader {
public:
    explicit LittleEndianReader(const std::vector<uint8_t>& bytes) : b_(bytes) {}

    size_t size() const { return b_.size(); }
    uint8_t u8(size_t at) const {
        need(at, 1);
        return b_[at];
    }
    uint16_t u16(size_t at) const {
        need(at, 2);
        return static_cast<uint16_t>(b_[at] | (b_[at + 1] << 8));
    }
    uint32_t u32(size_t at) const {
        need(at, 4);
        return static_cast<uint32_t>(b_[at]) | (static_cast<uint32_t>(b_[at + 1]) << 8) |
               (static_cast<uint32_t>(b_[at + 2]) << 16) |
               (static_cast<uint32_t>(b_[at + 3]) << 24);
    }
    int32_t i32(size_t at) const { return static_cast<int32_t>(u32(at)); }
    float f32(size_t at) const {
        const uint32_t bits = u32(at);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    std::vector<uint8_t> bytes(size_t at, size_t n) const {
        need(at, n);
        return std::vector<uint8_t>(b_.begin() + static_cast<std::ptrdiff_t>(at),
                                    b_.begin() + static_cast<std::ptrdiff_t>(at + n));
    }

private:
    void need(size_t at, size_t n) const {
        if (at > b_.size() || n > b_.size() - at)
            throw std::out_of_range("read of " + std::to_string(n) + " bytes at " +
                                    std::to_string(at) + " beyond " + std::to_string(b_.size()));
    }
    const std::vector<uint8_t>& b_;
};

}  // namespace testsupport
