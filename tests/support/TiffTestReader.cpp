#include "TiffTestReader.h"

#include <tiffio.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace testtiff {

cv::Mat readFloatMap(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return cv::Mat();
    const tmsize_t stripSize = TIFFStripSize(tif);
    const uint32_t strips = TIFFNumberOfStrips(tif);
    std::vector<uint8_t> buffer(static_cast<size_t>(stripSize) * strips);
    tmsize_t consumed = 0;
    for (uint32_t s = 0; s < strips; ++s) {
        const tmsize_t got = TIFFReadEncodedStrip(tif, s, buffer.data() + consumed, stripSize);
        if (got < 0) {
            TIFFClose(tif);
            return cv::Mat();
        }
        consumed += got;
    }
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFClose(tif);
    cv::Mat map(static_cast<int>(h), static_cast<int>(w), CV_32FC1);
    if (static_cast<size_t>(consumed) < map.total() * sizeof(float)) return cv::Mat();
    std::memcpy(map.data, buffer.data(), map.total() * sizeof(float));
    return map;
}

Position readLoaderPosition(const std::string& path) {
    Position p;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return p;
    float x = 0, y = 0;
    const bool hx = TIFFGetField(tif, TIFFTAG_XPOSITION, &x) == 1;
    const bool hy = TIFFGetField(tif, TIFFTAG_YPOSITION, &y) == 1;
    TIFFClose(tif);
    p.present = hx && hy;
    p.x = static_cast<int>(x * 150.0f);
    p.y = static_cast<int>(y * 150.0f);
    return p;
}

Position readRoundedPosition(const std::string& path) {
    Position p;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return p;
    float x = 0, y = 0, rx = 150, ry = 150;
    const bool hx = TIFFGetField(tif, TIFFTAG_XPOSITION, &x) == 1;
    const bool hy = TIFFGetField(tif, TIFFTAG_YPOSITION, &y) == 1;
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &rx);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &ry);
    TIFFClose(tif);
    p.present = hx && hy;
    p.x = static_cast<int>(std::lround(static_cast<double>(x) * rx));
    p.y = static_cast<int>(std::lround(static_cast<double>(y) * ry));
    return p;
}

bool isStripedFloatMap(const std::string& path, std::string& why) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) {
        why = "cannot open";
        return false;
    }
    uint16_t bits = 0, format = 0, spp = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    const bool tiled = TIFFIsTiled(tif) != 0;
    TIFFClose(tif);
    why = "bits " + std::to_string(bits) + ", format " + std::to_string(format) + ", samples " +
          std::to_string(spp) + (tiled ? ", tiled" : "");
    return bits == 32 && format == SAMPLEFORMAT_IEEEFP && spp == 1 && !tiled;
}

}  // namespace testtiff
