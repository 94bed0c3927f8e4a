#include "remap/RemapperTiff.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <vector>

#include "geometry/ZeroedImage.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

constexpr unsigned kClear = 256;
constexpr unsigned kEnd = 257;
constexpr unsigned kFirstCode = 258;
constexpr unsigned kMaxCodes = 4096;

// The eight bytes of `word` as stored, read as a big-endian number.
inline uint64_t bigEndian64(uint64_t word) {
#if defined(__GNUC__) || defined(__clang__)
    if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) return __builtin_bswap64(word);
    return word;
#else
    uint64_t v = 0;
    const auto* b = reinterpret_cast<const uint8_t*>(&word);
    for (int k = 0; k < 8; ++k) v = v << 8 | b[k];
    return v;
#endif
}

// Codes read most significant bit first: each from the eight bytes at its
// first bit, read as one big-endian word; within the last eight bytes a byte
// at a time. A code that would take bits beyond the end reads as the end code.
struct BitReader {
    const uint8_t* data;
    size_t size;
    uint64_t at = 0;  // bit position of the next code

    unsigned take(unsigned n) {
        const size_t byte = static_cast<size_t>(at >> 3);
        uint64_t word = 0;
        if (byte + 8 <= size) {
            std::memcpy(&word, data + byte, 8);
            word = bigEndian64(word);
        } else {
            if (at + n > uint64_t(size) * 8) return kEnd;
            for (size_t k = byte; k < byte + 8; ++k) word = word << 8 | (k < size ? data[k] : 0);
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
            // No change across the vector (most of a full-canvas layer or map).
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(p + at), carry);
                continue;
            }
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

// One row of both maps into the merged map (x, y, x, y, ...), from the
// floats as stored or, `planes`, from the predictor's four byte planes.
void storeMapRow(const uint8_t* x, const uint8_t* y, uint32_t width, bool planes, float* out) {
    uint32_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
    // Sixteen floats of each map at a time: the planes' bytes interleaved
    // into words, least significant first, then the two maps' words.
    auto words = [planes, width](const uint8_t* row, uint32_t at, __m128i w[4]) {
        if (!planes) {
            for (int q = 0; q < 4; ++q)
                w[q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * (at + 4 * q)));
            return;
        }
        auto load = [&](int plane) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + plane * width + at));
        };
        const __m128i p0 = load(0), p1 = load(1), p2 = load(2), p3 = load(3);
        const __m128i low[2] = {_mm_unpacklo_epi8(p3, p2), _mm_unpackhi_epi8(p3, p2)};
        const __m128i high[2] = {_mm_unpacklo_epi8(p1, p0), _mm_unpackhi_epi8(p1, p0)};
        for (int h = 0; h < 2; ++h) {
            w[2 * h] = _mm_unpacklo_epi16(low[h], high[h]);
            w[2 * h + 1] = _mm_unpackhi_epi16(low[h], high[h]);
        }
    };
    for (; i + 16 <= width; i += 16) {
        __m128i wx[4], wy[4];
        words(x, i, wx);
        words(y, i, wy);
        for (int q = 0; q < 4; ++q) {
            __m128i* to = reinterpret_cast<__m128i*>(out + 2 * (i + 4 * q));
            _mm_storeu_si128(to, _mm_unpacklo_epi32(wx[q], wy[q]));
            _mm_storeu_si128(to + 1, _mm_unpackhi_epi32(wx[q], wy[q]));
        }
    }
#endif
    auto word = [planes, width](const uint8_t* row, uint32_t k) {
        uint32_t bits;
        if (planes) {
            bits = uint32_t(row[k]) << 24 | uint32_t(row[width + k]) << 16 |
                   uint32_t(row[2 * width + k]) << 8 | row[3 * width + k];
        } else {
            std::memcpy(&bits, row + 4 * k, 4);
        }
        return bits;
    };
    for (; i < width; ++i) {
        const uint32_t pair[2] = {word(x, i), word(y, i)};
        std::memcpy(out + 2 * i, pair, 8);
    }
}

// One layer row, RGBA as stored, into BGRA; with `scale` (an unassociated
// alpha) the colours scaled by alpha as libtiff's RGBA reader does. `out`
// starts as zeros: transparent black pixels (most of a full-canvas layer)
// are not written, so their memory is never touched.
void storeLayerRow(const uint8_t* rgba, uint32_t width, bool scale, uint8_t* out) {
    uint32_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
    // Four pixels at a time while every alpha is 0 or 255 (all of a remapped
    // layer): red and blue swapped, and under alpha 0 no colour.
    const __m128i green = _mm_set1_epi32(0xFF00FF00), low = _mm_set1_epi32(0xFF);
    const __m128i opaque = _mm_set1_epi32(255);
    for (; i + 4 <= width; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rgba + 4 * i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) == 0xFFFF) continue;
        const __m128i alpha = _mm_srli_epi32(v, 24);
        const __m128i clear = _mm_cmpeq_epi32(alpha, _mm_setzero_si128());
        if (scale &&
            _mm_movemask_epi8(_mm_or_si128(clear, _mm_cmpeq_epi32(alpha, opaque))) != 0xFFFF)
            break;
        __m128i swapped = _mm_or_si128(_mm_and_si128(v, green),
                                       _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 16), low),
                                                    _mm_slli_epi32(_mm_and_si128(v, low), 16)));
        if (scale) swapped = _mm_andnot_si128(clear, swapped);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), swapped);
    }
#endif
    for (; i < width; ++i) {
        const uint8_t* p = rgba + 4 * i;
        uint8_t* o = out + 4 * i;
        const unsigned a = p[3];
        if ((p[0] | p[1] | p[2] | a) == 0) continue;
        if (!scale || a == 255) {
            o[0] = p[2], o[1] = p[1], o[2] = p[0];
        } else {
            o[0] = static_cast<uint8_t>((p[2] * a + 127) / 255);
            o[1] = static_cast<uint8_t>((p[1] * a + 127) / 255);
            o[2] = static_cast<uint8_t>((p[0] * a + 127) / 255);
        }
        o[3] = static_cast<uint8_t>(a);
    }
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
    // A strip starts with a clear code; old-style (bit-reversed) LZW, from
    // very old writers, does not.
    if (inSize < 2 || in[0] != 0x80 || size >= UINT32_MAX) return false;
    // Where each code's string was written, and its length; one entry past
    // the 12-bit codes, for a table that fills up without a clear code.
    uint32_t at[kMaxCodes + 1];
    uint16_t length[kMaxCodes + 1];
    BitReader reader{in, inSize};
    // The first code is a clear code (the check above), which sets these.
    unsigned width = 9, next = kFirstCode, limit = 0;
    size_t pos = 0, lastAt = 0, lastLength = 0;
    while (pos < size) {
        unsigned code = reader.take(width);
        if (code == kClear) {
            // The table starts over; the next code (after any further clear
            // codes) is a byte and adds no entry.
            do code = reader.take(9);
            while (code == kClear);
            if (code > 255) return false;  // the end code, or no byte
            width = 9, next = kFirstCode, limit = (1u << 9) - 1;
            out[pos] = static_cast<uint8_t>(code);
            lastAt = pos++, lastLength = 1;
            continue;
        }
        size_t n;
        if (code < 256) {
            out[pos] = static_cast<uint8_t>(code);
            n = 1;
        } else if (code < next && code != kEnd) {
            n = length[code];
            copyString(out + pos, out + at[code], std::min(n, size - pos));
        } else if (code == next) {
            // The string about to be added: the last one and its own first byte.
            n = lastLength + 1;
            copyString(out + pos, out + lastAt, std::min(lastLength, size - pos));
            if (pos + lastLength < size) out[pos + lastLength] = out[lastAt];
        } else {
            return false;  // the end code before the strip is full, or no such code
        }
        // The new entry is the last string and this one's first byte, which
        // follow each other in the output. The code width grows one code
        // early, as TIFF's LZW has it; a full 12-bit table must start over
        // (writers send a clear code before; libtiff is left the rest).
        at[next] = static_cast<uint32_t>(lastAt);
        length[next] = static_cast<uint16_t>(lastLength + 1);
        if (++next >= limit) {
            if (width == 12) return false;
            limit = ++width < 12 ? (1u << width) - 1 : kMaxCodes + 1;
        }
        lastAt = pos, lastLength = n;
        pos += n;
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
            uint8_t* xRow = planes[0] + k * rowBytes;
            uint8_t* yRow = planes[1] + k * rowBytes;
            // The floating-point predictor: byte deltas across the row, whose
            // bytes are four planes, most significant first.
            if (fp) {
                accumulate(xRow, rowBytes, 1);
                accumulate(yRow, rowBytes, 1);
            }
            storeMapRow(xRow, yRow, width, fp, both.ptr<float>(static_cast<int>(row0 + k)));
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
    cv::Mat bgra = zeroedImage(static_cast<int>(height), static_cast<int>(width), CV_8UC4);
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
                storeLayerRow(row, width, scale, bgra.ptr<uint8_t>(static_cast<int>(row0 + k)));
            }
            return true;
        });
    return ok ? bgra : cv::Mat();
}
