#include "TiffWriter.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "ParallelRows.h"

namespace nona2 {
namespace {

constexpr float kDpi = 150.0f;

struct TiffCloser {
    TIFF* tif;
    ~TiffCloser() {
        if (tif) TIFFClose(tif);
    }
};

int rowsPerStrip(size_t rowBytes) {
    // Strips of about 64 KiB keep memory small and compression effective.
    return static_cast<int>(std::max<size_t>(1, 65536 / std::max<size_t>(1, rowBytes)));
}

// libtiff says only that writing failed; the system's error code (a full
// disk, a file size limit) says why. errno is per thread, and the writers
// run one per thread.
std::string writeError(const std::string& path) {
    const int code = errno;
    return path + ": write error" +
           (code != 0 ? std::string(" (") + std::strerror(code) + ")" : "");
}

}  // namespace

std::string cannotCreate(const std::string& path, int code) {
    return path + ": cannot create the file" +
           (code != 0 ? std::string(" (") + std::strerror(code) + ")" : "");
}

namespace {

// A layer row as stored, RGBA from BGRA; `predicted` applies horizontal
// differencing (each sample minus the same sample of the pixel before).
void storeLayerRow(const uint8_t* px, int cols, uint8_t* row, bool predicted) {
    const size_t n = 4 * static_cast<size_t>(cols);
    thread_local std::vector<uint8_t> rgba;
    rgba.resize(n + 4);
    uint8_t* const out = predicted ? rgba.data() + 4 : row;
    for (size_t k = 0; k < n; k += 4) {
        out[k] = px[k + 2];
        out[k + 1] = px[k + 1];
        out[k + 2] = px[k];
        out[k + 3] = px[k + 3];
    }
    if (!predicted) return;
    const uint8_t* const before = rgba.data();
    std::memset(rgba.data(), 0, 4);  // the first pixel is taken from zero
    for (size_t j = 0; j < n; ++j) row[j] = static_cast<uint8_t>(before[j + 4] - before[j]);
}

// A map row as stored; `predicted` applies the floating-point predictor: the
// row's bytes regrouped into four planes, most significant byte first
// (whatever the host's byte order), then each byte minus the one before it,
// across plane boundaries too. Two plain passes rather than one that does
// both: each is a loop the compiler turns into vector code.
void storeMapRow(const uint8_t* data, int cols, uint8_t* row, bool predicted) {
    const size_t n = static_cast<size_t>(cols);
    if (!predicted) {
        std::memcpy(row, data, n * sizeof(float));
        return;
    }
    thread_local std::vector<uint8_t> planes;
    planes.resize(4 * n + 1);
    planes[0] = 0;  // what the first byte is taken from
    uint8_t* const p0 = planes.data() + 1;
    uint8_t* const p1 = p0 + n;
    uint8_t* const p2 = p1 + n;
    uint8_t* const p3 = p2 + n;
    size_t k = 0;
#if defined(__SSE2__) || defined(_M_X64)
    // Sixteen floats at a time: each plane's byte of every word, shifted down,
    // masked and packed (the compiler does not vectorize the loop below).
    const __m128i low = _mm_set1_epi32(0xFF);
    for (; k + 16 <= n; k += 16) {
        __m128i v[4];
        for (int q = 0; q < 4; ++q)
            v[q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 4 * (k + 4 * q)));
        // The words' bytes at bits 0, 8, 16 and 24 of each 32-bit lane.
        auto plane = [&](uint8_t* out, auto shift) {
            __m128i w[4];
            for (int q = 0; q < 4; ++q)
                w[q] = _mm_and_si128(_mm_srli_epi32(v[q], decltype(shift)::value), low);
            const __m128i bytes =
                _mm_packus_epi16(_mm_packs_epi32(w[0], w[1]), _mm_packs_epi32(w[2], w[3]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), bytes);
        };
        plane(p3, std::integral_constant<int, 0>());
        plane(p2, std::integral_constant<int, 8>());
        plane(p1, std::integral_constant<int, 16>());
        plane(p0, std::integral_constant<int, 24>());
    }
#endif
    for (; k < n; ++k) {
        uint32_t bits;
        std::memcpy(&bits, data + 4 * k, 4);
        p0[k] = static_cast<uint8_t>(bits >> 24);
        p1[k] = static_cast<uint8_t>(bits >> 16);
        p2[k] = static_cast<uint8_t>(bits >> 8);
        p3[k] = static_cast<uint8_t>(bits);
    }
    const uint8_t* const before = planes.data();
    for (size_t j = 0; j < 4 * n; ++j) row[j] = static_cast<uint8_t>(before[j + 1] - before[j]);
}

}  // namespace

int compressionCode(const std::string& name) {
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper == "NONE") return COMPRESSION_NONE;
    if (upper == "LZW") return COMPRESSION_LZW;
    if (upper == "DEFLATE") return COMPRESSION_ADOBE_DEFLATE;
    if (upper == "PACKBITS") return COMPRESSION_PACKBITS;
    return -1;
}

float positionForOffset(int offset) {
    // A quarter pixel past the offset: truncation and rounding both land on
    // the offset, and the margin dwarfs float and rational conversion error.
    return static_cast<float>((offset + 0.25) / static_cast<double>(kDpi));
}

// One compressing thread's strip buffer and encoder.
struct TiffImageWriter::Worker {
    std::vector<uint8_t> strip;
    LzwEncoder lzw;
};

TiffImageWriter::TiffImageWriter(TIFF* tif, std::string name, Kind kind, int width, int height,
                                 int left, int top, int compression)
    : tif_(tif),
      name_(std::move(name)),
      kind_(kind),
      width_(width),
      height_(height),
      compression_(compression),
      rowBytes_(static_cast<size_t>(width) * 4),
      stripRows_(rowsPerStrip(rowBytes_)) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    const bool predictor =
        compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE;
    if (kind == Kind::Layer) {
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        if (predictor) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(stripRows_));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, kDpi);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, kDpi);
        TIFFSetField(tif, TIFFTAG_XPOSITION, positionForOffset(left));
        TIFFSetField(tif, TIFFTAG_YPOSITION, positionForOffset(top));
    } else {
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 32);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        if (predictor) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_FLOATINGPOINT);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(stripRows_));
    }
    pending_.create(stripRows_, width, kind == Kind::Layer ? CV_8UC4 : CV_32FC1);
}

TiffImageWriter::~TiffImageWriter() = default;

bool TiffImageWriter::append(const cv::Mat& rows, int workers, std::string& error) {
    CV_Assert(rows.type() == pending_.type() && rows.cols == width_ &&
              rowsDone_ + rows.rows <= height_);
    // The rows of the strips this call completes: those waiting, then the new ones.
    std::vector<const uint8_t*> in;
    in.reserve(static_cast<size_t>(pendingRows_ + rows.rows));
    for (int y = 0; y < pendingRows_; ++y) in.push_back(pending_.ptr<uint8_t>(y));
    for (int y = 0; y < rows.rows; ++y) in.push_back(rows.ptr<uint8_t>(y));
    rowsDone_ += rows.rows;
    const size_t stripRows = static_cast<size_t>(stripRows_);
    size_t strips = in.size() / stripRows;
    if (rowsDone_ == height_ && in.size() % stripRows != 0) ++strips;  // the short last strip
    if (!writeStrips(in, strips, workers, error)) return false;
    // What is left of an incomplete strip waits for the next call.
    cv::Mat rest(stripRows_, width_, pending_.type());
    pendingRows_ = 0;
    for (size_t k = strips * stripRows; k < in.size(); ++k)
        std::memcpy(rest.ptr<uint8_t>(pendingRows_++), in[k], rowBytes_);
    pending_ = rest;
    return true;
}

bool TiffImageWriter::writeStrips(const std::vector<const uint8_t*>& rows, size_t strips,
                                  int workers, std::string& error) {
    if (strips == 0) return true;
    const bool ownLzw = compression_ == COMPRESSION_LZW;
    workers = ownLzw ? std::max(1, std::min(workers, static_cast<int>(strips))) : 1;
    while (static_cast<int>(workers_.size()) < workers) {
        workers_.push_back(std::make_unique<Worker>());
        workers_.back()->strip.resize(rowBytes_ * static_cast<size_t>(stripRows_));
    }
    // Allocated here, not on the workers: an exception there could not be reported.
    if (packed_.size() < strips) packed_.resize(strips);
    if (ownLzw)
        for (size_t s = 0; s < strips; ++s)
            packed_[s].resize(
                std::max(packed_[s].size(),
                         LzwEncoder::maxEncodedSize(rowBytes_ * static_cast<size_t>(stripRows_))));
    packedBytes_.assign(strips, 0);
    const auto store = kind_ == Kind::Layer ? storeLayerRow : storeMapRow;
    // Strip s holds rows[s * stripRows_ ...], fewer for the last one.
    auto fill = [&](size_t s, Worker& w) {
        const size_t first = s * static_cast<size_t>(stripRows_);
        const size_t count = std::min(static_cast<size_t>(stripRows_), rows.size() - first);
        for (size_t r = 0; r < count; ++r)
            store(rows[first + r], width_, w.strip.data() + r * rowBytes_, ownLzw);
        return count * rowBytes_;
    };
    if (ownLzw) {
        // A map's predicted row is four planes of `width_` bytes, the low ones
        // noise. A layer's noise has no such planes; a longer skip did not
        // help them.
        const size_t noiseSkip =
            kind_ == Kind::Map ? std::max<size_t>(1024, static_cast<size_t>(width_)) : 1024;
        parallelRows(
            0, static_cast<int>(strips), workers,
            [&](int s, int worker) {
                Worker& w = *workers_[static_cast<size_t>(worker)];
                const size_t bytes = fill(static_cast<size_t>(s), w);
                packedBytes_[static_cast<size_t>(s)] =
                    w.lzw.encode(w.strip.data(), bytes, packed_[static_cast<size_t>(s)], noiseSkip);
            },
            1);
    }
    for (size_t s = 0; s < strips; ++s, ++nextStrip_) {
        errno = 0;
        tmsize_t written;
        if (ownLzw) {
            written = TIFFWriteRawStrip(tif_, nextStrip_, packed_[s].data(),
                                        static_cast<tmsize_t>(packedBytes_[s]));
        } else {
            const size_t bytes = fill(s, *workers_[0]);
            written = TIFFWriteEncodedStrip(tif_, nextStrip_, workers_[0]->strip.data(),
                                            static_cast<tmsize_t>(bytes));
        }
        if (written < 0) {
            error = writeError(name_);
            return false;
        }
    }
    return true;
}

bool TiffImageWriter::finish(std::string& error) {
    CV_Assert(rowsDone_ == height_);
    errno = 0;
    if (!TIFFWriteDirectory(tif_)) {
        error = writeError(name_);
        return false;
    }
    return true;
}

bool writeLayerTiff(const std::string& path, const cv::Mat& bgra, int left, int top,
                    int compression, std::string& error) {
    errno = 0;
    TiffCloser file{TIFFOpen(path.c_str(), "w")};
    if (!file.tif) {
        error = cannotCreate(path, errno);
        return false;
    }
    return writeLayer(file.tif, path, bgra, left, top, compression, error);
}

bool writeLayer(TIFF* tif, const std::string& name, const cv::Mat& bgra, int left, int top,
                int compression, std::string& error) {
    CV_Assert(bgra.type() == CV_8UC4);
    TiffImageWriter writer(tif, name, TiffImageWriter::Kind::Layer, bgra.cols, bgra.rows, left, top,
                           compression);
    return writer.append(bgra, 1, error) && writer.finish(error);
}

bool writeMapTiff(const std::string& path, const cv::Mat& map, int compression,
                  std::string& error) {
    CV_Assert(map.type() == CV_32FC1);
    errno = 0;
    TiffCloser file{TIFFOpen(path.c_str(), "w")};
    if (!file.tif) {
        error = cannotCreate(path, errno);
        return false;
    }
    TiffImageWriter writer(file.tif, path, TiffImageWriter::Kind::Map, map.cols, map.rows, 0, 0,
                           compression);
    return writer.append(map, 1, error) && writer.finish(error);
}

}  // namespace nona2
