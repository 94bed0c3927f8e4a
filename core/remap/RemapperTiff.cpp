#include "remap/RemapperTiff.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

constexpr unsigned kClear = 256;
constexpr unsigned kEnd = 257;
constexpr unsigned kFirstCode = 258;
constexpr unsigned kMaxCodes = 4096;

// Codes read most significant bit first: each from the eight bytes at its
// first bit, read as one big-endian word; within the last eight bytes a byte
// at a time, with zero bits past the end and `overrun` once a code takes any.
struct BitReader {
    const uint8_t* data;
    size_t size;
    uint64_t at = 0;  // bit position of the next code
    bool overrun = false;

    unsigned take(unsigned n) {
        const size_t byte = static_cast<size_t>(at >> 3);
        uint64_t word = 0;
        if (byte + 8 <= size) {
            for (int k = 0; k < 8; ++k) word = word << 8 | data[byte + k];
        } else {
            for (size_t k = byte; k < byte + 8; ++k) word = word << 8 | (k < size ? data[k] : 0);
            overrun = overrun || at + n > uint64_t(size) * 8;
        }
        const unsigned code = static_cast<unsigned>((word << (at & 7)) >> (64 - n));
        at += n;
        return code;
    }
};

// `n` bytes from `from` to `to` (earlier output to the end of the output),
// sixteen at a time: the output keeps kLzwSlack bytes of room, and whatever
// lands past `n` is overwritten by the next string.
inline void copyString(uint8_t* to, const uint8_t* from, size_t n) {
    if (n <= 16 && from + 16 <= to) {
        std::memcpy(to, from, 16);
        return;
    }
    std::memmove(to, from, n);
}

// Running sums of byte deltas, `stride` (1 or 4) bytes apart, in place over
// `n` bytes; the first `stride` bytes are taken as they are. With SSE2, sixteen
// bytes at a time: each vector's own sums by shifted adds, plus the carry,
// the last byte (or pixel) of the sums so far in every lane, which grows by
// the vector's own last one, so only one add a vector waits for the one
// before.
void accumulate(uint8_t* p, size_t n, size_t stride) {
    size_t k = stride;
#if defined(__SSE2__) || defined(_M_X64)
    if (n >= 16 + stride) {
        __m128i carry = _mm_setzero_si128();
        size_t at = 0;
        for (; at + 16 <= n; at += 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
            __m128i last;
            if (stride == 1) {
                v = _mm_add_epi8(v, _mm_slli_si128(v, 1));
                v = _mm_add_epi8(v, _mm_slli_si128(v, 2));
                v = _mm_add_epi8(v, _mm_slli_si128(v, 4));
                v = _mm_add_epi8(v, _mm_slli_si128(v, 8));
                last = _mm_srli_si128(v, 15);
                last = _mm_unpacklo_epi8(last, last);
                last = _mm_shuffle_epi32(_mm_unpacklo_epi16(last, last), 0);
            } else {
                v = _mm_add_epi8(v, _mm_slli_si128(v, 4));
                v = _mm_add_epi8(v, _mm_slli_si128(v, 8));
                last = _mm_shuffle_epi32(v, 0xFF);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + at), _mm_add_epi8(v, carry));
            carry = _mm_add_epi8(carry, last);
        }
        k = at;
    }
#endif
    for (; k < n; ++k) p[k] = static_cast<uint8_t>(p[k] + p[k - stride]);
}

// The strips of one file, raw, in memory: libtiff's handle reads from one
// file position and cannot serve two threads.
struct RawStrips {
    std::vector<uint8_t> data;
    std::vector<size_t> start;  // strip s is data[start[s] .. start[s + 1])
    uint32_t rowsPerStrip = 0;
    uint16_t predictor = 1;

    // False when the file is not a striped LZW file in this host's byte
    // order, or a strip cannot be read.
    bool read(TIFF* tif, uint32_t height) {
        uint16_t compression = 0, planar = PLANARCONFIG_CONTIG;
        TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
        TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
        TIFFGetFieldDefaulted(tif, TIFFTAG_PREDICTOR, &predictor);
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        if (compression != COMPRESSION_LZW || planar != PLANARCONFIG_CONTIG || TIFFIsTiled(tif) ||
            TIFFIsByteSwapped(tif) || rowsPerStrip == 0)
            return false;
        rowsPerStrip = std::min(rowsPerStrip, height);
        const uint32_t strips = TIFFNumberOfStrips(tif);
        if (strips != (height + rowsPerStrip - 1) / rowsPerStrip) return false;
        uint64_t* counts = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts) || !counts) return false;
        start.assign(1, 0);
        uint64_t total = 0;
        for (uint32_t s = 0; s < strips; ++s) {
            total += counts[s];
            // Far more than any file of ours compresses to: a broken header.
            if (counts[s] > (uint64_t(1) << 31) || total > (uint64_t(1) << 34)) return false;
            start.push_back(static_cast<size_t>(total));
        }
        data.resize(static_cast<size_t>(total));
        for (uint32_t s = 0; s < strips; ++s) {
            const tmsize_t size = static_cast<tmsize_t>(start[s + 1] - start[s]);
            if (size > 0 && TIFFReadRawStrip(tif, s, data.data() + start[s], size) != size)
                return false;
        }
        return true;
    }
    size_t strips() const { return start.size() - 1; }
};

// Runs fn(strip, scratch) for every strip, the first half on a helper thread;
// false when any call was.
template <typename Fn>
bool forEveryStrip(size_t strips, size_t scratchBytes, const Fn& fn) {
    std::atomic<bool> ok{true};
    auto range = [&](size_t from, size_t to) {
        std::vector<uint8_t> scratch(scratchBytes);
        for (size_t s = from; s < to && ok; ++s)
            if (!fn(s, scratch)) ok = false;
    };
    const size_t half = strips / 2;
    std::future<void> first = std::async(std::launch::async, range, size_t{0}, half);
    range(half, strips);
    first.get();
    return ok;
}

}  // namespace

bool decodeLzwStrip(const uint8_t* in, size_t inSize, uint8_t* out, size_t size) {
    // Old-style (bit-reversed) LZW, from very old writers, starts otherwise.
    if (inSize < 2 || in[0] != 0x80 || size >= UINT32_MAX) return false;
    uint32_t at[kMaxCodes];  // where each code's string was written, and its length
    uint16_t length[kMaxCodes];
    BitReader reader{in, inSize};
    unsigned width = 9, next = kFirstCode;
    bool first = true;  // the code after a clear code starts afresh
    size_t pos = 0, lastAt = 0, lastLength = 0;
    while (pos < size) {
        const unsigned code = reader.take(width);
        if (reader.overrun) return false;
        if (code == kClear) {
            width = 9;
            next = kFirstCode;
            first = true;
            continue;
        }
        if (code == kEnd) return false;  // ended before the strip was full
        const size_t here = pos;
        size_t n;
        if (code < 256) {
            out[pos] = static_cast<uint8_t>(code);
            n = 1;
        } else if (first) {
            return false;
        } else if (code < next) {
            n = length[code];
            copyString(out + pos, out + at[code], std::min(n, size - pos));
        } else if (code == next) {
            // The string just added: the last one and its own first byte.
            n = lastLength + 1;
            copyString(out + pos, out + lastAt, std::min(lastLength, size - pos));
            if (pos + lastLength < size) out[pos + lastLength] = out[lastAt];
        } else {
            return false;
        }
        pos = std::min(size, pos + n);
        if (!first) {
            // The new entry is the last string and this one's first byte,
            // which follow each other in the output.
            if (next >= kMaxCodes) return false;
            at[next] = static_cast<uint32_t>(lastAt);
            length[next] = static_cast<uint16_t>(lastLength + 1);
            ++next;
            if (next >= (1u << width) - 1 && width < 12) ++width;
        }
        first = false;
        lastAt = here;
        lastLength = n;
    }
    return true;
}

bool readRemapperMaps(TIFF* x, TIFF* y, cv::Mat& coordMap) {
    uint32_t width = 0, height = 0;
    TIFFGetField(x, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(x, TIFFTAG_IMAGELENGTH, &height);
    RawStrips rx, ry;
    if (width == 0 || height == 0 || !rx.read(x, height) || !ry.read(y, height) ||
        rx.rowsPerStrip != ry.rowsPerStrip || rx.predictor != ry.predictor ||
        (rx.predictor != PREDICTOR_NONE && rx.predictor != PREDICTOR_FLOATINGPOINT))
        return false;
    const size_t rowBytes = size_t{width} * 4;
    const size_t stripBytes = rowBytes * rx.rowsPerStrip;
    cv::Mat both(static_cast<int>(height), static_cast<int>(width), CV_32FC2);
    const bool fp = rx.predictor == PREDICTOR_FLOATINGPOINT;
    const size_t half = stripBytes + kLzwSlack;
    const bool ok = forEveryStrip(rx.strips(), 2 * half, [&](size_t s, std::vector<uint8_t>& buf) {
        const uint32_t row0 = static_cast<uint32_t>(s) * rx.rowsPerStrip;
        const uint32_t rows = std::min(rx.rowsPerStrip, height - row0);
        const size_t bytes = rowBytes * rows;
        uint8_t* const planes[2] = {buf.data(), buf.data() + half};
        const RawStrips* const raw[2] = {&rx, &ry};
        for (int c = 0; c < 2; ++c) {
            const RawStrips& r = *raw[c];
            if (!decodeLzwStrip(r.data.data() + r.start[s], r.start[s + 1] - r.start[s], planes[c],
                                bytes))
                return false;
        }
        for (uint32_t k = 0; k < rows; ++k) {
            float* out = both.ptr<float>(static_cast<int>(row0 + k));
            for (int c = 0; c < 2; ++c) {
                uint8_t* row = planes[c] + k * rowBytes;
                if (!fp) {
                    for (uint32_t i = 0; i < width; ++i)
                        std::memcpy(out + 2 * i + c, row + 4 * i, 4);
                    continue;
                }
                // The floating-point predictor: byte deltas across the row,
                // whose bytes are four planes, most significant first.
                accumulate(row, rowBytes, 1);
                const uint8_t *p0 = row, *p1 = row + width, *p2 = p1 + width, *p3 = p2 + width;
                for (uint32_t i = 0; i < width; ++i) {
                    const uint32_t bits = uint32_t(p0[i]) << 24 | uint32_t(p1[i]) << 16 |
                                          uint32_t(p2[i]) << 8 | p3[i];
                    std::memcpy(out + 2 * i + c, &bits, 4);
                }
            }
        }
        return true;
    });
    if (!ok) return false;
    coordMap = both;
    return true;
}

cv::Mat readRemapperLayer(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return cv::Mat();
    struct Closer {
        TIFF* t;
        ~Closer() { TIFFClose(t); }
    } closer{tif};
    uint32_t width = 0, height = 0;
    uint16_t samples = 0, bits = 0, photometric = 0, orientation = ORIENTATION_TOPLEFT,
             sampleFormat = SAMPLEFORMAT_UINT, extraCount = 0;
    uint16_t* extra = nullptr;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    RawStrips raw;
    if (width == 0 || height == 0 || samples != 4 || bits != 8 ||
        sampleFormat != SAMPLEFORMAT_UINT || photometric != PHOTOMETRIC_RGB ||
        orientation != ORIENTATION_TOPLEFT || extraCount != 1 ||
        (extra[0] != EXTRASAMPLE_UNASSALPHA && extra[0] != EXTRASAMPLE_ASSOCALPHA) ||
        int64_t(width) * height > (int64_t(1) << 31) / 4 || !raw.read(tif, height) ||
        (raw.predictor != PREDICTOR_NONE && raw.predictor != PREDICTOR_HORIZONTAL))
        return cv::Mat();
    // imread takes the layer through libtiff's RGBA reader, which scales the
    // colours of an unassociated alpha by it; the same here, to the byte.
    const bool scale = extra[0] == EXTRASAMPLE_UNASSALPHA;
    const size_t rowBytes = size_t{width} * 4;
    cv::Mat bgra(static_cast<int>(height), static_cast<int>(width), CV_8UC4);
    const bool ok = forEveryStrip(
        raw.strips(), rowBytes * raw.rowsPerStrip + kLzwSlack,
        [&](size_t s, std::vector<uint8_t>& buf) {
            const uint32_t row0 = static_cast<uint32_t>(s) * raw.rowsPerStrip;
            const uint32_t rows = std::min(raw.rowsPerStrip, height - row0);
            if (!decodeLzwStrip(raw.data.data() + raw.start[s], raw.start[s + 1] - raw.start[s],
                                buf.data(), rowBytes * rows))
                return false;
            for (uint32_t k = 0; k < rows; ++k) {
                uint8_t* row = buf.data() + k * rowBytes;
                if (raw.predictor == PREDICTOR_HORIZONTAL) accumulate(row, rowBytes, 4);
                uint8_t* out = bgra.ptr<uint8_t>(static_cast<int>(row0 + k));
                for (size_t i = 0; i < rowBytes; i += 4) {
                    const unsigned a = row[i + 3];
                    if (!scale || a == 255) {
                        out[i] = row[i + 2], out[i + 1] = row[i + 1], out[i + 2] = row[i];
                    } else if (a == 0) {
                        out[i] = out[i + 1] = out[i + 2] = 0;
                    } else {
                        out[i] = static_cast<uint8_t>((row[i + 2] * a + 127) / 255);
                        out[i + 1] = static_cast<uint8_t>((row[i + 1] * a + 127) / 255);
                        out[i + 2] = static_cast<uint8_t>((row[i] * a + 127) / 255);
                    }
                    out[i + 3] = static_cast<uint8_t>(a);
                }
            }
            return true;
        });
    return ok ? bgra : cv::Mat();
}
