#include "TiffWriter.h"

#include <tiffio.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "LzwEncoder.h"

namespace nona2 {
namespace {

constexpr float kDpi = 150.0f;

struct TiffCloser {
    TIFF* tif;
    ~TiffCloser() {
        if (tif) TIFFClose(tif);
    }
};

uint32_t rowsPerStrip(size_t rowBytes) {
    // Strips of about 64 KiB keep memory small and compression effective.
    const size_t rows = std::max<size_t>(1, 65536 / std::max<size_t>(1, rowBytes));
    return static_cast<uint32_t>(rows);
}

// libtiff says only that writing failed; the system's error code (a full
// disk, a file size limit) says why. errno is per thread, and the writers
// run one per thread.
std::string writeError(const std::string& path) {
    const int code = errno;
    return path + ": write error" +
           (code != 0 ? std::string(" (") + std::strerror(code) + ")" : "");
}

// Row y of the image as the file stores it into `row`; with `predicted`, after
// the predictor the file's tags name (our LZW path applies it itself).
using RowFiller = std::function<void(int y, uint8_t* row, bool predicted)>;

// Writes `rows` rows of `rowBytes` bytes each, as `fill` gives them, in
// strips, and finishes the directory. LZW strips go through our own encoder
// and are written as they are; the other compressions go through libtiff's,
// which applies any predictor tag itself.
bool writeStrips(TIFF* tif, const std::string& path, int rows, size_t rowBytes, int compression,
                 const RowFiller& fill, std::string& error) {
    const uint32_t stripRows = rowsPerStrip(rowBytes);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, stripRows);
    const bool ownLzw = compression == COMPRESSION_LZW;
    std::vector<uint8_t> strip(rowBytes * stripRows), packed;
    LzwEncoder lzw;
    uint32_t s = 0;
    for (int y0 = 0; y0 < rows; y0 += static_cast<int>(stripRows), ++s) {
        const int count = std::min(static_cast<int>(stripRows), rows - y0);
        const size_t bytes = rowBytes * static_cast<size_t>(count);
        for (int r = 0; r < count; ++r)
            fill(y0 + r, strip.data() + rowBytes * static_cast<size_t>(r), ownLzw);
        errno = 0;
        tmsize_t written;
        if (ownLzw) {
            const size_t length = lzw.encode(strip.data(), bytes, packed);
            written = TIFFWriteRawStrip(tif, s, packed.data(), static_cast<tmsize_t>(length));
        } else {
            written = TIFFWriteEncodedStrip(tif, s, strip.data(), static_cast<tmsize_t>(bytes));
        }
        if (written < 0) {
            error = writeError(path);
            return false;
        }
    }
    errno = 0;
    if (!TIFFWriteDirectory(tif)) {
        error = writeError(path);
        return false;
    }
    return true;
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

bool writeLayerTiff(const std::string& path, const cv::Mat& bgra, int left, int top,
                    int compression, std::string& error) {
    TiffCloser file{TIFFOpen(path.c_str(), "w")};
    if (!file.tif) {
        error = path + ": cannot create the file";
        return false;
    }
    return writeLayer(file.tif, path, bgra, left, top, compression, error);
}

bool writeLayer(TIFF* tif, const std::string& path, const cv::Mat& bgra, int left, int top,
                int compression, std::string& error) {
    CV_Assert(bgra.type() == CV_8UC4);
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(bgra.cols));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(bgra.rows));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, kDpi);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, kDpi);
    TIFFSetField(tif, TIFFTAG_XPOSITION, positionForOffset(left));
    TIFFSetField(tif, TIFFTAG_YPOSITION, positionForOffset(top));
    // RGBA from BGRA; the predictor is horizontal differencing, each sample
    // minus the same sample of the pixel before.
    const auto fill = [&bgra](int y, uint8_t* row, bool predicted) {
        const uint8_t* px = bgra.ptr<uint8_t>(y);
        uint8_t before[4] = {0, 0, 0, 0};
        for (int x = 0; x < bgra.cols; ++x, px += 4, row += 4) {
            const uint8_t rgba[4] = {px[2], px[1], px[0], px[3]};
            for (int k = 0; k < 4; ++k) row[k] = static_cast<uint8_t>(rgba[k] - before[k]);
            if (predicted) std::memcpy(before, rgba, 4);
        }
    };
    return writeStrips(tif, path, bgra.rows, static_cast<size_t>(bgra.cols) * 4, compression, fill,
                       error);
}

bool writeMapTiff(const std::string& path, const cv::Mat& map, int compression,
                  std::string& error) {
    CV_Assert(map.type() == CV_32FC1);
    TiffCloser file{TIFFOpen(path.c_str(), "w")};
    if (!file.tif) {
        error = path + ": cannot create the file";
        return false;
    }
    TIFF* tif = file.tif;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(map.cols));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(map.rows));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 32);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_FLOATINGPOINT);
    // The floating-point predictor regroups the row's bytes into four planes,
    // most significant byte first (whatever the host's byte order), and then
    // takes each byte minus the one before it, across plane boundaries too.
    const auto fill = [&map](int y, uint8_t* row, bool predicted) {
        const size_t n = static_cast<size_t>(map.cols);
        const float* v = map.ptr<float>(y);
        if (!predicted) {
            std::memcpy(row, v, n * sizeof(float));
            return;
        }
        uint32_t last;
        std::memcpy(&last, v + n - 1, 4);
        // Each plane's first byte follows the previous plane's last one.
        uint8_t before[4] = {0, static_cast<uint8_t>(last >> 24), static_cast<uint8_t>(last >> 16),
                             static_cast<uint8_t>(last >> 8)};
        for (size_t k = 0; k < n; ++k) {
            uint32_t bits;
            std::memcpy(&bits, v + k, 4);
            for (int p = 0; p < 4; ++p) {
                const auto b = static_cast<uint8_t>(bits >> (24 - 8 * p));
                row[static_cast<size_t>(p) * n + k] = static_cast<uint8_t>(b - before[p]);
                before[p] = b;
            }
        }
    };
    return writeStrips(tif, path, map.rows, static_cast<size_t>(map.cols) * sizeof(float),
                       compression, fill, error);
}

}  // namespace nona2
