// TIFF output of the remapper: the RGBA layer with its panorama position and
// the 32-bit float coordinate maps, written strip by strip as their rows
// arrive. The writers take whatever name they are given; nona2 gives them
// temporary names (see OutputFiles.h).
#pragma once

#include <tiffio.h>

#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "LzwEncoder.h"

namespace nona2 {

// TIFF compression code for "NONE", "LZW", "DEFLATE" or "PACKBITS" (any case);
// -1 for anything else.
int compressionCode(const std::string& name);

// The XPosition/YPosition value (inches at 150 dpi) stored for a pixel
// offset, chosen so that a reader computing float(position) * 150 and
// truncating, or rounding, gets the offset back exactly.
float positionForOffset(int offset);

// One image of a TIFF file written top to bottom in strips: the remapper's
// layer (8-bit RGBA with unassociated alpha, 150 dpi, the position of its
// top-left pixel) or one of its maps (one 32-bit IEEE float per pixel). LZW
// strips are compressed by our own encoder, on several threads; the other
// compressions by libtiff.
class TiffImageWriter {
public:
    enum class Kind { Layer, Map };

    // Writes the tags of a `width` x `height` image into `tif` (opened for
    // writing, closed by the caller after finish()); `left` and `top` are the
    // layer's position and unused for a map. `name` is used in messages.
    TiffImageWriter(TIFF* tif, std::string name, Kind kind, int width, int height, int left,
                    int top, int compression);
    ~TiffImageWriter();
    TiffImageWriter(const TiffImageWriter&) = delete;
    TiffImageWriter& operator=(const TiffImageWriter&) = delete;

    // Appends the next rows: BGRA (CV_8UC4) for a layer, CV_32FC1 for a map,
    // `width` columns. LZW strips are compressed on `workers` threads.
    bool append(const cv::Mat& rows, int workers, std::string& error);
    // Writes the directory; every row must have been appended.
    bool finish(std::string& error);

private:
    struct Worker;
    bool writeStrips(const std::vector<const uint8_t*>& rows, size_t strips, int workers,
                     std::string& error);

    TIFF* tif_;
    std::string name_;
    Kind kind_;
    int width_, height_, compression_;
    size_t rowBytes_;
    int stripRows_;
    int rowsDone_ = 0;  // rows written or waiting in pending_
    uint32_t nextStrip_ = 0;
    cv::Mat pending_;  // rows of a strip not yet complete
    int pendingRows_ = 0;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<std::vector<uint8_t>> packed_;  // compressed strips of one append
    std::vector<size_t> packedBytes_;
};

// Writes `bgra` (CV_8UC4) as 8-bit RGBA with unassociated alpha, 150 dpi and
// the position of its top-left pixel. False with a message on failure.
bool writeLayerTiff(const std::string& path, const cv::Mat& bgra, int left, int top,
                    int compression, std::string& error);
// Same into a TIFF handle opened for writing (the caller closes it); `name`
// is used in messages.
bool writeLayer(TIFF* tif, const std::string& name, const cv::Mat& bgra, int left, int top,
                int compression, std::string& error);
// Writes `map` (CV_32FC1) as one 32-bit IEEE float sample per pixel in strips.
bool writeMapTiff(const std::string& path, const cv::Mat& map, int compression, std::string& error);

// "PATH: cannot create the file (REASON)" for a TIFFOpen that failed with the
// system's error `code` (no reason when it is 0).
std::string cannotCreate(const std::string& path, int code);

}  // namespace nona2
