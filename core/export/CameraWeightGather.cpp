#include "export/CameraWeightGather.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t load32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}
void store32(uint8_t* b, uint32_t v) {
    b[0] = static_cast<uint8_t>(v);
    b[1] = static_cast<uint8_t>(v >> 8);
    b[2] = static_cast<uint8_t>(v >> 16);
    b[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace

uint32_t gatherPixels4(const uint8_t* in, int width, const int* position, uint8_t* out) {
    uint32_t seen = 0;
    if (position[0] == 3 && position[1] == 2 && position[2] == 1 && position[3] == 0) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        // Two pixels at a time: reversing eight bytes reverses both pixels and
        // swaps them, which a rotation undoes.
        uint64_t seen2 = 0;
        for (; width >= 2; width -= 2, in += 8, out += 8) {
            uint64_t v;
            std::memcpy(&v, in, 8);
            v = __builtin_bswap64(v);
            v = (v >> 32) | (v << 32);
            std::memcpy(out, &v, 8);
            seen2 |= v;
        }
        seen = static_cast<uint32_t>(seen2) | static_cast<uint32_t>(seen2 >> 32);
#endif
        for (int j = 0; j < width; ++j, in += 4, out += 4) {
            const uint32_t v = __builtin_bswap32(load32(in));
            store32(out, v);
            seen |= v;
        }
        return seen;
    }
    const int s0 = 8 * position[0], s1 = 8 * position[1], s2 = 8 * position[2],
              s3 = 8 * position[3];
    for (int j = 0; j < width; ++j, in += 4, out += 4) {
        const uint32_t v = load32(in);
        const uint32_t o = ((v >> s0) & 0xFF) | (((v >> s1) & 0xFF) << 8) |
                           (((v >> s2) & 0xFF) << 16) | (((v >> s3) & 0xFF) << 24);
        store32(out, o);
        seen |= o;
    }
    return seen;
}

namespace {

// Every position in range. Fixed camera counts let the compiler unroll the
// pixel.
template <int kN>
void gatherFixed(const uint8_t* px, int width, const int* position, uint8_t* out, uint8_t* seen) {
    int pos[kN];
    uint8_t acc[kN] = {};
    for (int j = 0; j < kN; ++j) pos[j] = position[j];
    for (int p = 0; p < width; ++p, px += kN, out += kN)
        for (int j = 0; j < kN; ++j) {
            out[j] = px[pos[j]];
            acc[j] |= out[j];
        }
    for (int j = 0; j < kN; ++j) seen[j] = acc[j];
}

}  // namespace

void gatherCameraWeights(const uint8_t* px, int width, int N, const int* position, uint8_t* out,
                         uint8_t* seen) {
    const bool inRange =
        std::all_of(position, position + N, [N](int p) { return p >= 0 && p < N; });
    if (inRange) {
        switch (N) {
            case 1:
                return gatherFixed<1>(px, width, position, out, seen);
            case 2:
                return gatherFixed<2>(px, width, position, out, seen);
            case 3:
                return gatherFixed<3>(px, width, position, out, seen);
            case 4: {
                const uint32_t any = gatherPixels4(px, width, position, out);
                for (int j = 0; j < 4; ++j) seen[j] = static_cast<uint8_t>(any >> (8 * j));
                return;
            }
            case 5:
                return gatherFixed<5>(px, width, position, out, seen);
            case 6:
                return gatherFixed<6>(px, width, position, out, seen);
            case 7:
                return gatherFixed<7>(px, width, position, out, seen);
            case 8:
                return gatherFixed<8>(px, width, position, out, seen);
            default:
                break;
        }
    }
    std::fill(seen, seen + N, 0);
    for (int p = 0; p < width; ++p, px += N)
        for (int j = 0; j < N; ++j, ++out) {
            *out = weightAtPosition(px, position[j], N);
            seen[j] |= *out;
        }
}
