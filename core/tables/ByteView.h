// Little-endian values out of a table file held in memory, the mirror of
// LittleEndianWriter. A view may hold only a piece of a file: `origin` is the
// file offset of its first byte, and every offset it is asked for is a file
// offset. Readers test has() before they read; a read outside the piece still
// gives 0 instead of touching memory beyond the buffer.
#pragma once

#include <cstdint>
#include <cstring>

class ByteView {
public:
    ByteView(const uint8_t* data, size_t size, uint64_t origin = 0)
        : d_(data), n_(size), origin_(origin) {}

    size_t size() const { return n_; }
    uint64_t origin() const { return origin_; }
    const uint8_t* data() const { return d_; }
    bool has(uint64_t at, uint64_t count) const {
        return at >= origin_ && at - origin_ <= n_ && count <= n_ - (at - origin_);
    }

    uint8_t u8(uint64_t at) const { return has(at, 1) ? d_[at - origin_] : 0; }
    uint16_t u16(uint64_t at) const {
        if (!has(at, 2)) return 0;
        const uint8_t* p = d_ + (at - origin_);
        return static_cast<uint16_t>(p[0] | (p[1] << 8));
    }
    uint32_t u32(uint64_t at) const {
        if (!has(at, 4)) return 0;
        const uint8_t* p = d_ + (at - origin_);
        return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
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
    uint64_t origin_;
};
