#include "TiffWriter.h"

#include <tiffio.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

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
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip(static_cast<size_t>(bgra.cols) * 4));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, kDpi);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, kDpi);
    TIFFSetField(tif, TIFFTAG_XPOSITION, positionForOffset(left));
    TIFFSetField(tif, TIFFTAG_YPOSITION, positionForOffset(top));
    std::vector<uint8_t> row(static_cast<size_t>(bgra.cols) * 4);
    for (int y = 0; y < bgra.rows; ++y) {
        const uint8_t* px = bgra.ptr<uint8_t>(y);
        for (int x = 0; x < bgra.cols; ++x) {
            row[4 * x + 0] = px[4 * x + 2];
            row[4 * x + 1] = px[4 * x + 1];
            row[4 * x + 2] = px[4 * x + 0];
            row[4 * x + 3] = px[4 * x + 3];
        }
        errno = 0;
        if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) < 0) {
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

bool writeMapTiff(const std::string& path, const cv::Mat& map, int compression,
                  std::string& error) {
    CV_Assert(map.type() == CV_32FC1);
    TiffCloser file{TIFFOpen(path.c_str(), "w")};
    if (!file.tif) {
        error = path + ": cannot create the file";
        return false;
    }
    TIFF* tif = file.tif;
    const uint32_t stripRows = rowsPerStrip(static_cast<size_t>(map.cols) * 4);
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
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, stripRows);
    const size_t rowBytes = static_cast<size_t>(map.cols) * sizeof(float);
    std::vector<uint8_t> strip(rowBytes * stripRows);
    uint32_t s = 0;
    for (int y0 = 0; y0 < map.rows; y0 += static_cast<int>(stripRows), ++s) {
        const int rows = std::min(static_cast<int>(stripRows), map.rows - y0);
        for (int r = 0; r < rows; ++r)
            std::memcpy(strip.data() + rowBytes * static_cast<size_t>(r), map.ptr<float>(y0 + r),
                        rowBytes);
        errno = 0;
        if (TIFFWriteEncodedStrip(tif, s, strip.data(),
                                  static_cast<tmsize_t>(rowBytes * static_cast<size_t>(rows))) <
            0) {
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

}  // namespace nona2
