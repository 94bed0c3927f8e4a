#include "remap/ImageSize.h"

#include <tiffio.h>

#include <cstdint>
#include <fstream>
#include <opencv2/imgcodecs.hpp>
#include <vector>

#include "file/InputFile.h"

namespace {

unsigned bigEndian16(const uint8_t* p) {
    return unsigned(p[0]) << 8 | p[1];
}
uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The frame header (SOF0 .. SOF15 but DHT, JPG and DAC) after the markers
// before it; empty when there is none or it gives no height (a DNL marker
// gives it later).
cv::Size jpegSize(std::ifstream& in) {
    in.seekg(2);
    uint8_t head[9];
    while (in.read(reinterpret_cast<char*>(head), 4)) {
        if (head[0] != 0xFF) return cv::Size();
        const unsigned marker = head[1];
        if (marker == 0xFF) {  // fill byte
            in.seekg(-3, std::ios::cur);
            continue;
        }
        const unsigned length = bigEndian16(head + 2);
        if (length < 2) return cv::Size();
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            if (length < 7 || !in.read(reinterpret_cast<char*>(head), 5)) return cv::Size();
            const int height = static_cast<int>(bigEndian16(head + 1));
            const int width = static_cast<int>(bigEndian16(head + 3));
            return height > 0 && width > 0 ? cv::Size(width, height) : cv::Size();
        }
        if (marker == 0xD9 || marker == 0xDA) return cv::Size();  // no frame before the data
        in.seekg(length - 2, std::ios::cur);
    }
    return cv::Size();
}

cv::Size tiffSize(const std::string& path) {
    cv::Size size;
    if (TIFF* tif = TIFFOpen(path.c_str(), "r")) {
        uint32_t w = 0, h = 0;
        if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) &&
            TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h) && w > 0 && h > 0 && w <= INT32_MAX &&
            h <= INT32_MAX)
            size = cv::Size(static_cast<int>(w), static_cast<int>(h));
        TIFFClose(tif);
    }
    return size;
}

}  // namespace

cv::Size imageFileSize(const std::string& path, std::string* problem) {
    // Only a regular file is opened: a pipe would block the reading.
    if (std::string why = regularFileProblem(path); !why.empty()) {
        if (problem) *problem = why;
        return cv::Size();
    }
    std::ifstream in(path, std::ios::binary);
    uint8_t head[24] = {};
    in.read(reinterpret_cast<char*>(head), sizeof(head));
    const std::streamsize got = in.gcount();
    in.clear();
    cv::Size size;
    if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        size = jpegSize(in);
    } else if (got >= 24 && bigEndian32(head) == 0x89504E47u &&
               bigEndian32(head + 12) == 0x49484452u) {
        // The PNG signature, then the IHDR chunk with width and height.
        const uint32_t w = bigEndian32(head + 16), h = bigEndian32(head + 20);
        if (w > 0 && h > 0 && w <= INT32_MAX && h <= INT32_MAX)
            size = cv::Size(static_cast<int>(w), static_cast<int>(h));
    } else if (got >= 4 &&
               ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M'))) {
        size = tiffSize(path);
    }
    if (!size.empty()) {
        // What OpenCV's reader refuses to decode (its default limits) is no
        // usable frame, whatever its header claims.
        if (size.width <= (1 << 20) && size.height <= (1 << 20) &&
            int64_t(size.width) * size.height <= (int64_t(1) << 30))
            return size;
        if (problem)
            *problem = "its header claims " + std::to_string(size.width) + " x " +
                       std::to_string(size.height) + " pixels, more than an image may have";
        return cv::Size();
    }
    try {
        return cv::imread(path, cv::IMREAD_UNCHANGED).size();
    } catch (const cv::Exception& e) {
        if (problem) *problem = e.err;
    } catch (const std::bad_alloc&) {
        if (problem) *problem = "not enough memory to decode it";
    }
    return cv::Size();
}
