// Little-endian values out of a table file held in memory, the mirror of
// LittleEndianWriter. Readers test has() before they read; a read past the end
// still gives 0 instead of touching memory beyond the buffer.
#pragma once

#include <cstdint>
#include <cstring>

class ByteView {
public:
    ByteView(const uint8_t* data, size_t size) : d_(data), n_(size) {}

    size_t size() const { return n_; }
    const uint8_t* data() const { return d_; }
    bool has(uint64_t at, uint64_t count) const { return at <= n_ && count <= n_ - at; }

    uint8_t u8(uint64_t at) const { return has(at, 1) ? d_[at] : 0; }
    uint16_t u16(uint64_t at) const {
        return has(at, 2) ? static_cast<uint16_t>(d_[at] | (d_[at + 1] << 8)) : 0;
    }
    uint32_t u32(uint64_t at) const {
        if (!has(at, 4)) return 0;
        return static_cast<uint32_t>(d_[at]) | (static_cast<uint32_t>(d_[at + 1]) << 8) |
               (static_cast<uint32_t>(d_[at + 2]) << 16) |
               (static_cast<uint32_t>(d_[at + 3]) << 24);
    }
    int32_t i32(uint64_t at) const { return static_cast<int32_t>(u32(at)); }
    float f32(uint64_t at) const {
        const uint32_t bits = u32(at);
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }

private:
    const uint8_t* d_;
    size_t n_;
};
