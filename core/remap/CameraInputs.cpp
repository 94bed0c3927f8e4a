#include "remap/CameraInputs.h"

#include <tiffio.h>

#include <QFileInfo>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <opencv2/imgcodecs.hpp>
#include <utility>

#include "project/Reporter.h"

namespace {

// Closes the TIFF on every path out of a reader.
struct TiffFile {
    TIFF* tif;
    explicit TiffFile(const std::string& path) : tif(TIFFOpen(path.c_str(), "r")) {}
    ~TiffFile() {
        if (tif) TIFFClose(tif);
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;
};

MapTiff refuse(const std::string& path, const std::string& problem) {
    MapTiff r;
    r.error = path + ": " + problem;
    return r;
}

// imread, without OpenCV's own warning for a file that is not there.
cv::Mat readImage(const std::string& path) {
    if (!QFileInfo::exists(QString::fromLocal8Bit(path.c_str()))) return cv::Mat();
    return cv::imread(path, cv::IMREAD_UNCHANGED);
}

// Larger maps than this are refused rather than allocated on a header's word.
constexpr int64_t kMaxMapBytes = int64_t(1) << 30;

}  // namespace

MapTiff readMapTiff(const std::string& path) {
    TiffFile file(path);
    TIFF* tif = file.tif;
    if (!tif) return refuse(path, "cannot be opened as TIFF");

    uint32_t width = 0, height = 0;
    uint16_t samples = 0, bits = 0, format = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0)
        return refuse(path, "has no image size");
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    if (samples != 1)
        return refuse(path, "has " + std::to_string(samples) + " samples per pixel, not 1");
    if (bits != 32) return refuse(path, "has " + std::to_string(bits) + " bits per sample, not 32");
    if (format != SAMPLEFORMAT_IEEEFP) return refuse(path, "holds no IEEE float samples");
    if (TIFFIsTiled(tif)) return refuse(path, "is tiled, not striped");

    const int64_t needed = int64_t(width) * int64_t(height) * 4;
    if (needed > kMaxMapBytes || width > uint32_t(std::numeric_limits<int>::max()) ||
        height > uint32_t(std::numeric_limits<int>::max()))
        return refuse(path, "is too large for a coordinate map");
    const int64_t stripSize = TIFFStripSize(tif);
    const int64_t strips = TIFFNumberOfStrips(tif);
    if (stripSize <= 0 || strips <= 0) return refuse(path, "has no strips");
    // Strips hold whole rows; more data than rows plus one strip means a broken header.
    if (strips * stripSize > needed + stripSize) return refuse(path, "has inconsistent strips");

    cv::Mat map(static_cast<int>(height), static_cast<int>(width), CV_32FC1);
    // Strips that fill the matrix exactly are decoded straight into it; a last
    // strip padded beyond the rows goes through a buffer of the whole data.
    const bool direct = strips * stripSize == needed;
    std::vector<uint8_t> buffer(direct ? 0 : static_cast<size_t>(strips * stripSize));
    uint8_t* target = direct ? map.data : buffer.data();
    const int64_t capacity = direct ? needed : static_cast<int64_t>(buffer.size());
    int64_t consumed = 0;
    for (int64_t s = 0; s < strips; ++s) {
        const int64_t room = capacity - consumed;
        if (room <= 0) break;
        const tmsize_t got = TIFFReadEncodedStrip(tif, static_cast<uint32_t>(s), target + consumed,
                                                  static_cast<tmsize_t>(std::min(room, stripSize)));
        if (got < 0) return refuse(path, "strip " + std::to_string(s) + " cannot be read");
        consumed += got;
    }
    if (consumed < needed)
        return refuse(path, "holds " + std::to_string(consumed) + " bytes of map data, " +
                                std::to_string(needed) + " needed");

    if (!direct) std::memcpy(map.data, buffer.data(), static_cast<size_t>(needed));
    MapTiff result;
    result.map = map;
    return result;
}

bool readImagePosition(Camara& cam) {
    TiffFile file(cam.imagePath);
    if (!file.tif) return false;
    float x = 0.0f, y = 0.0f;
    if (!TIFFGetField(file.tif, TIFFTAG_XPOSITION, &x)) x = 0.0f;
    if (!TIFFGetField(file.tif, TIFFTAG_YPOSITION, &y)) y = 0.0f;
    // Positions are in inches at 150 pixels per inch; a value no int can hold is
    // treated like an absent tag instead of being converted.
    auto toPixels = [&cam](float inches) {
        const float px = inches * 150.0f;
        if (!std::isfinite(px) || std::fabs(px) >= 2147483520.0f) {
            reportf("%s: position out of range\r\n", cam.imagePath.c_str());
            return 0;
        }
        return static_cast<int>(px);
    };
    cam.offsetX = toPixels(x);
    cam.offsetY = toPixels(y);
    return true;
}

void loadCoordinateMaps(Camara& cam) {
    MapTiff x = readMapTiff(cam.mapXPath);
    if (x.ok())
        cam.mapX = x.map;
    else
        reportf("%s\r\n", x.error.c_str());
    MapTiff y = readMapTiff(cam.mapYPath);
    if (y.ok())
        cam.mapY = y.map;
    else
        reportf("%s\r\n", y.error.c_str());
    readImagePosition(cam);
    // Both maps or none: the exporters need coordMap empty or complete.
    if (!cam.mapX.empty() && !cam.mapY.empty() && cam.mapX.size() == cam.mapY.size()) {
        cv::Mat channels[2] = {cam.mapX, cam.mapY};
        cv::merge(channels, 2, cam.coordMap);
        // Nothing reads the single maps once they are merged; at panorama size
        // they would hold as much again as the merged map.
        cam.mapX.release();
        cam.mapY.release();
    } else {
        cam.coordMap.release();
        if (!cam.mapX.empty() || !cam.mapY.empty())
            reportf("camera %d: coordinate maps incomplete, no coordinate map\r\n", cam.index);
    }
}

void dropCameraInputs(Camara& cam, int index) {
    cam.index = index;
    cam.mapX.release();
    cam.mapY.release();
    cam.coordMap.release();
    cam.offsetX = cam.offsetY = 0;
    cam.image.release();
    cam.sourceImage.release();
    cam.displayImage.release();
    cam.displayCache.clear();
    cam.rawBdy.clear();
    cam.imgBdy.clear();
}

std::string layerOutsidePanorama(Camara& cam, int panoWidth, int panoHeight) {
    if (cam.image.empty()) return std::string();
    const int64_t right = int64_t(cam.offsetX) + cam.image.cols;
    const int64_t bottom = int64_t(cam.offsetY) + cam.image.rows;
    if (cam.offsetX >= 0 && cam.offsetY >= 0 && right <= panoWidth && bottom <= panoHeight)
        return std::string();
    const std::string why = "camera " + std::to_string(cam.index) + ": remapped layer of " +
                            std::to_string(cam.image.cols) + "x" + std::to_string(cam.image.rows) +
                            " at (" + std::to_string(cam.offsetX) + ", " +
                            std::to_string(cam.offsetY) + ") does not lie inside the " +
                            std::to_string(panoWidth) + "x" + std::to_string(panoHeight) +
                            " panorama";
    const int index = cam.index;
    dropCameraInputs(cam, index);
    return why;
}

void loadCameraInputs(Camara& cam, int index) {
    dropCameraInputs(cam, index);

    loadCoordinateMaps(cam);
    cam.sourceImage = readImage(cam.sourcePath);
    if (cam.sourceImage.empty())
        reportf("%s: source image cannot be read\r\n", cam.sourcePath.c_str());
    cv::Mat image = readImage(cam.imagePath);
    if (image.empty()) {
        reportf("%s: remapped image cannot be read\r\n", cam.imagePath.c_str());
    } else if (image.type() != CV_8UC4) {
        reportf("%s: remapped image is not 8-bit BGRA\r\n", cam.imagePath.c_str());
    } else {
        cam.image = image;
    }
    cam.rawBdy = scanRawBoundary(cam.image);
    // coordMap must match the remapped image it describes, or be empty.
    if (!cam.coordMap.empty() && (cam.image.empty() || cam.coordMap.size() != cam.image.size())) {
        reportf("camera %d: coordinate maps do not match the remapped image\r\n", index);
        cam.coordMap.release();
    }
    reportFlush();
}

std::vector<BoundaryEdge> scanRawBoundary(const cv::Mat& image) {
    std::vector<BoundaryEdge> edges;
    if (image.empty() || image.type() != CV_8UC4) return edges;
    const int w = image.cols;
    const uchar* row = image.ptr<uchar>(image.rows / 2);
    auto valid = [row](int k) { return row[k * 4 + 3] != 0; };
    bool inside = valid(0);
    for (int k = 0; k < w; ++k) {
        if (valid(k) && !inside) {
            edges.push_back({k == w - 1 ? 0 : k, 1});
            inside = true;
        } else if (!valid(k) && inside) {
            edges.push_back({k, 0});
            inside = false;
        }
    }
    if (edges.size() == 1) edges.push_back(valid(0) ? BoundaryEdge{0, 1} : BoundaryEdge{w - 1, 0});
    if (edges.size() == 2 && edges[0].column > edges[1].column) std::swap(edges[0], edges[1]);
    return edges;
}
