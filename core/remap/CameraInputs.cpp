#include "remap/CameraInputs.h"

#include <tiffio.h>

#include <QFileInfo>
#include <QString>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <future>
#include <limits>
#include <new>
#include <opencv2/imgcodecs.hpp>
#include <utility>

#include "file/InputFile.h"
#include "remap/ImageSize.h"
#include "remap/RemapperTiff.h"
#include "system/Reporter.h"

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

// imread of a regular file (a pipe would block it), without OpenCV's own
// warning for a file that is not there; empty, with `problem` set, when
// OpenCV refuses the file (it throws beyond its pixel limit, or when an
// allocation fails).
cv::Mat readImage(const std::string& path, std::string* problem = nullptr) {
    const std::string notRegular = regularFileProblem(path);
    if (!notRegular.empty()) {
        if (problem) *problem = notRegular;
        return cv::Mat();
    }
    try {
        return cv::imread(path, cv::IMREAD_UNCHANGED);
    } catch (const cv::Exception& e) {
        if (problem) *problem = e.err;
    } catch (const std::bad_alloc&) {
        if (problem) *problem = "not enough memory to decode it";
    }
    return cv::Mat();
}

// Larger maps than this are refused rather than allocated on a header's word.
constexpr int64_t kMaxMapBytes = int64_t(1) << 30;

}  // namespace

namespace {

// What a coordinate-map TIFF must be for its strips to be copied as they are.
struct MapLayout {
    int width = 0;
    int height = 0;
    int64_t stripSize = 0;
    int64_t strips = 0;
    int64_t bytes() const { return int64_t(width) * int64_t(height) * 4; }
};

// Empty when the file holds one 32-bit IEEE float sample per pixel in whole-row
// strips covering width x height; otherwise the problem.
std::string checkMapLayout(TIFF* tif, MapLayout& layout) {
    uint32_t width = 0, height = 0;
    uint16_t samples = 0, bits = 0, format = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0)
        return "has no image size";
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    if (samples != 1) return "has " + std::to_string(samples) + " samples per pixel, not 1";
    if (bits != 32) return "has " + std::to_string(bits) + " bits per sample, not 32";
    if (format != SAMPLEFORMAT_IEEEFP) return "holds no IEEE float samples";
    if (TIFFIsTiled(tif)) return "is tiled, not striped";

    const int64_t needed = int64_t(width) * int64_t(height) * 4;
    if (needed > kMaxMapBytes || width > uint32_t(std::numeric_limits<int>::max()) ||
        height > uint32_t(std::numeric_limits<int>::max()))
        return "is too large for a coordinate map";
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.stripSize = TIFFStripSize(tif);
    layout.strips = TIFFNumberOfStrips(tif);
    if (layout.stripSize <= 0 || layout.strips <= 0) return "has no strips";
    // Strips hold whole rows; more data than rows plus one strip means a broken header.
    if (layout.strips * layout.stripSize > needed + layout.stripSize)
        return "has inconsistent strips";
    return std::string();
}

// Decodes the map's strips one by one into channel `channel` of the two-channel
// `target`. False on anything the one-map reader would refuse.
bool decodeIntoChannel(TIFF* tif, const MapLayout& layout, cv::Mat& target, int channel) {
    std::vector<float> strip(static_cast<size_t>((layout.stripSize + 3) / 4));
    float* out = reinterpret_cast<float*>(target.data) + channel;
    const int64_t needed = layout.bytes();
    int64_t consumed = 0;
    for (int64_t s = 0; s < layout.strips && consumed < needed; ++s) {
        const int64_t room = std::min(needed - consumed, layout.stripSize);
        const tmsize_t got = TIFFReadEncodedStrip(tif, static_cast<uint32_t>(s), strip.data(),
                                                  static_cast<tmsize_t>(room));
        if (got < 0 || got % 4 != 0) return false;
        const int64_t first = consumed / 4;
        for (int64_t k = 0; k < got / 4; ++k) out[(first + k) * 2] = strip[static_cast<size_t>(k)];
        consumed += got;
    }
    return consumed == needed;
}

// Both maps straight into one CV_32FC2 matrix, the second on a helper thread, so
// that a panorama-sized layer costs neither the two single maps beside the
// merged one nor twice the decoding time. False when anything is wrong: the
// caller then reads the maps one by one, which says what.
bool readMapPair(const std::string& xPath, const std::string& yPath, cv::Mat& coordMap) {
    TiffFile x(xPath), y(yPath);
    MapLayout lx, ly;
    if (!x.tif || !y.tif || !checkMapLayout(x.tif, lx).empty() ||
        !checkMapLayout(y.tif, ly).empty() || lx.width != ly.width || lx.height != ly.height)
        return false;
    if (readRemapperMaps(x.tif, y.tif, coordMap)) return true;
    cv::Mat both(lx.height, lx.width, CV_32FC2);
    std::future<bool> second =
        std::async(std::launch::async, [&] { return decodeIntoChannel(y.tif, ly, both, 1); });
    const bool firstOk = decodeIntoChannel(x.tif, lx, both, 0);
    if (!second.get() || !firstOk) return false;
    coordMap = both;
    return true;
}

}  // namespace

MapTiff readMapTiff(const std::string& path) {
    TiffFile file(path);
    TIFF* tif = file.tif;
    if (!tif) return refuse(path, "cannot be opened as TIFF");
    MapLayout layout;
    if (std::string problem = checkMapLayout(tif, layout); !problem.empty())
        return refuse(path, problem);
    const int64_t needed = layout.bytes();
    const int64_t stripSize = layout.stripSize;
    const int64_t strips = layout.strips;

    cv::Mat map(layout.height, layout.width, CV_32FC1);
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
            reportProblemf("%s: position out of range\r\n", cam.imagePath.c_str());
            return 0;
        }
        return static_cast<int>(px);
    };
    cam.offsetX = toPixels(x);
    cam.offsetY = toPixels(y);
    return true;
}

void loadCoordinateMaps(Camara& cam) {
    if (readMapPair(cam.mapXPath, cam.mapYPath, cam.coordMap)) {
        readImagePosition(cam);
        return;
    }
    MapTiff x = readMapTiff(cam.mapXPath);
    if (x.ok())
        cam.mapX = x.map;
    else
        reportProblemf("%s\r\n", x.error.c_str());
    MapTiff y = readMapTiff(cam.mapYPath);
    if (y.ok())
        cam.mapY = y.map;
    else
        reportProblemf("%s\r\n", y.error.c_str());
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
            reportProblemf("camera %d: coordinate maps incomplete, no coordinate map\r\n",
                           cam.index);
    }
}

void dropCameraInputs(Camara& cam, int index) {
    cam.index = index;
    cam.mapX.release();
    cam.mapY.release();
    cam.coordMap.release();
    cam.offsetX = cam.offsetY = 0;
    cam.image.release();
    cam.sourceSize = cv::Size();
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
    // Without a layer the remapper refused the source (it reads and checks it
    // first: size, truncation) or failed on the way, and said why; decoding
    // the source here would only meet what the remapper met, maybe a header
    // claiming gigapixels. The camera is left out either way.
    const bool layerWritten = regularFileProblem(cam.imagePath).empty();
    if (!layerWritten && !regularFileProblem(cam.mapXPath).empty() &&
        !regularFileProblem(cam.mapYPath).empty()) {
        // One line for the camera, not one per missing file.
        reportProblemf("camera %d: the remapper wrote none of its files\r\n", index);
        if (const std::string why = regularFileProblem(cam.sourcePath); !why.empty())
            reportProblemf("%s: source image cannot be read: %s\r\n",
                           shortenedName(cam.sourcePath).c_str(), why.c_str());
        reportFlush();
        return;
    }

    loadCoordinateMaps(cam);
    std::string problem = layerWritten ? std::string() : regularFileProblem(cam.sourcePath);
    if (layerWritten) cam.sourceSize = imageFileSize(cam.sourcePath, &problem);
    if (cam.sourceSize.empty() && (layerWritten || !problem.empty()))
        reportProblemf("%s: source image cannot be read%s%s\r\n",
                       shortenedName(cam.sourcePath).c_str(), problem.empty() ? "" : ": ",
                       problem.c_str());
    // The remapper's own layer is decoded by its own reader; anything else
    // (or a layer that reader does not take, or cannot hold) by the general one.
    cv::Mat image;
    try {
        if (layerWritten) image = readRemapperLayer(cam.imagePath);
    } catch (const std::bad_alloc&) {
    }
    if (image.empty()) image = readImage(cam.imagePath);
    if (image.empty()) {
        reportProblemf("%s: remapped image cannot be read\r\n", cam.imagePath.c_str());
    } else if (image.type() != CV_8UC4) {
        reportProblemf("%s: remapped image is not 8-bit BGRA\r\n", cam.imagePath.c_str());
    } else {
        cam.image = image;
    }
    cam.rawBdy = scanRawBoundary(cam.image);
    // coordMap must match the remapped image it describes, or be empty.
    if (!cam.coordMap.empty() && (cam.image.empty() || cam.coordMap.size() != cam.image.size())) {
        reportProblemf("camera %d: coordinate maps do not match the remapped image\r\n", index);
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
