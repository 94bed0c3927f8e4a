#include "tables/QuickWeaveReader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "export/BlendPartition.h"
#include "export/QuickWeaveLayout.h"

using namespace quickweave;

namespace {

std::string str(int64_t v) {
    return std::to_string(v);
}

// The weight sums are checked on a panorama-sized grid; beyond this many
// pixels the size itself is not believable.
constexpr int64_t kMaxPanoramaPixels = int64_t(1) << 26;

// A weighted pixel's position, divided by the frame's size, lies in [0, 1)
// give or take the half pixel a remapper may reach past the frame's edge. The
// frame's size is not in the file; the margin allows half a pixel of a frame
// of 32 pixels, far more than any camera's. NaN fails both comparisons.
constexpr float kFrameMargin = 1.0f / 64;
bool insideFrame(float v) {
    return v >= -kFrameMargin && v <= 1 + kFrameMargin;
}

// The part of the weight grid (gw x gh) the camera sections from `at` can
// reach, from their headers alone: the weight sums are kept for it only, so
// a panorama the sections do not fill costs nothing. Stops at the first
// header the reader will refuse.
struct GridPart {
    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // [x0, x1) x [y0, y1), empty at first
    size_t cells() const { return static_cast<size_t>((x1 - x0) * (y1 - y0)); }
    size_t index(int64_t x, int64_t y) const {
        return static_cast<size_t>((y - y0) * (x1 - x0) + (x - x0));
    }
};
GridPart sectionsReach(ByteSource& source, uint64_t at, size_t n, int gw, int gh) {
    GridPart part;
    std::vector<uint8_t> buffer;
    for (size_t i = 0; i < n; ++i) {
        const ByteView in = source.view(at, kSectionHeaderBytes, buffer);
        const int32_t cols = in.i32(at + kColsAt), rows = in.i32(at + kRowsAt);
        if (!in.has(at, kSectionHeaderBytes) || cols <= 0 || rows <= 0) break;
        const int32_t left = in.i32(at + kOffsetXAt), top = in.i32(at + kOffsetYAt);
        const int64_t x0 = std::max<int64_t>(left, 0);
        const int64_t y0 = std::max<int64_t>(top, 0);
        const int64_t x1 = std::min<int64_t>(int64_t(left) + cols, gw);
        const int64_t y1 = std::min<int64_t>(int64_t(top) + rows, gh);
        if (x1 > x0 && y1 > y0) {
            const bool first = part.x1 == 0;
            part.x0 = first ? x0 : std::min(part.x0, x0);
            part.y0 = first ? y0 : std::min(part.y0, y0);
            part.x1 = std::max(part.x1, x1);
            part.y1 = std::max(part.y1, y1);
        }
        at += sectionBytes(static_cast<uint64_t>(cols) * static_cast<uint64_t>(rows));
        if (at > source.size()) break;
    }
    return part;
}

}  // namespace

QuickWeaveTable readQuickWeaveTable(ByteSource& source) {
    const uint64_t size = source.size();
    std::vector<uint8_t> buffer;
    ByteView in = source.view(0, kHeaderBytes, buffer);
    QuickWeaveTable t;
    t.fileSize = size;
    TableViolations& log = t.violations;
    if (!in.has(0, kHeaderBytes)) {
        log.add(size, "the file ends within N, W and H (" + str(size) + " bytes)");
        return t;
    }
    t.N = in.i32(kCameraCountAt);
    t.W = in.i32(kWidthAt);
    t.H = in.i32(kHeightAt);
    if (t.N < 1 || t.N > kMaxBlendCameras) {
        log.add(kCameraCountAt,
                "camera count " + str(t.N) + " is outside 1.." + str(kMaxBlendCameras));
        return t;
    }
    if (t.W <= 0 || t.H <= 0 || int64_t(t.W) * t.H > kMaxPanoramaPixels) {
        log.add(kWidthAt, "panorama size " + str(t.W) + " x " + str(t.H) + " is not believable");
        return t;
    }
    const size_t n = static_cast<size_t>(t.N);
    const uint64_t orderBytes = sectionsStart(n) - kHeaderBytes;
    in = source.view(kHeaderBytes, orderBytes, buffer);
    if (!in.has(kHeaderBytes, orderBytes)) {
        log.add(size, "the file ends within the drawing order");
        return t;
    }
    t.readable = true;
    std::vector<int> seen(n, 0);
    for (size_t p = 0; p < n; ++p) {
        const uint64_t item = kHeaderBytes + kOrderItemBytes * p;
        const int32_t c = in.i32(item);
        t.drawOrder.push_back(c);
        if (c < 0 || c >= t.N || seen[static_cast<size_t>(c)]++)
            log.add(item, "drawing order entry " + str(static_cast<int64_t>(p)) + " is " + str(c) +
                              ": not a permutation of the camera indices");
    }
    // Weight sums per panorama pixel; the exporter's weight volume is one pixel
    // wider and taller than the panorama, so a camera may reach column W and row H.
    const int gw = t.W + 1, gh = t.H + 1;
    uint64_t at = sectionsStart(n);
    const GridPart reach = sectionsReach(source, at, n, gw, gh);
    std::vector<uint16_t> sums;  // allocated with the first whole section
    for (size_t i = 0; i < n; ++i) {
        const std::string what = "camera " + str(static_cast<int64_t>(i)) + ": ";
        in = source.view(at, kSectionHeaderBytes, buffer);
        if (!in.has(at, kSectionHeaderBytes)) {
            log.add(size, what + "the file ends within the section header at " + str(at));
            return t;
        }
        QuickWeaveCamera cam;
        cam.offsetX = in.i32(at + kOffsetXAt);
        cam.offsetY = in.i32(at + kOffsetYAt);
        const int32_t cols = in.i32(at + kColsAt), rows = in.i32(at + kRowsAt);
        if (cols <= 0 || rows <= 0) {
            log.add(at + kColsAt,
                    what + "image size " + str(cols) + " x " + str(rows) + " is not positive");
            return t;
        }
        const uint64_t pixels = static_cast<uint64_t>(cols) * static_cast<uint64_t>(rows);
        if (pixels > size / (kPositionBytes + kWeightBytes) || at + sectionBytes(pixels) > size) {
            log.add(size, what + "a section of " + str(cols) + " x " + str(rows) +
                              " pixels needs " + std::to_string(sectionBytes(pixels)) +
                              " bytes from " + std::to_string(at) + "; the file ends first");
            return t;
        }
        if (sums.empty()) sums.assign(reach.cells(), 0);
        cam.positions.create(rows, cols, CV_32FC2);
        const uint64_t pAt = at + kSectionHeaderBytes;
        source.read(pAt, cam.positions.data, kPositionBytes * pixels);  // both little-endian
        cam.weights.create(rows, cols, CV_8U);
        const uint64_t wAt = pAt + kPositionBytes * pixels;
        source.read(wAt, cam.weights.data, pixels);
        // A camera's image may reach past the panorama, but not with weight;
        // and a pixel with weight is read from inside the camera's frame.
        uint64_t over = 0, firstOver = 0, outside = 0, firstOutside = 0;
        uint64_t offFrame = 0, firstOffFrame = 0;
        for (int r = 0; r < rows; ++r) {
            const int64_t y = int64_t(cam.offsetY) + r;
            const uint8_t* w = cam.weights.ptr<uint8_t>(r);
            const cv::Vec2f* p = cam.positions.ptr<cv::Vec2f>(r);
            for (int c = 0; c < cols; ++c) {
                const int64_t x = int64_t(cam.offsetX) + c;
                if (w[c] == 0) continue;
                if (!insideFrame(p[c][0]) || !insideFrame(p[c][1])) {
                    if (offFrame++ == 0)
                        firstOffFrame =
                            pAt + kPositionBytes * (static_cast<uint64_t>(r) * cols + c);
                }
                if (x < 0 || x >= gw || y < 0 || y >= gh) {
                    if (outside++ == 0) firstOutside = wAt + static_cast<uint64_t>(r) * cols + c;
                    continue;
                }
                uint16_t& s = sums[reach.index(x, y)];
                s = static_cast<uint16_t>(std::min(s + w[c], 0xFFFF));
                if (s > 255 && over++ == 0) firstOver = wAt + static_cast<uint64_t>(r) * cols + c;
            }
        }
        if (offFrame)
            log.add(firstOffFrame, what + std::to_string(offFrame) +
                                       " pixels with weight whose source position lies outside "
                                       "the camera's frame or is not a number");
        if (outside)
            log.add(firstOutside,
                    what + std::to_string(outside) + " pixels with weight outside the panorama");
        if (over)
            log.add(firstOver, what + std::to_string(over) +
                                   " pixels where the weights so far sum to more than 255");
        t.cameras.push_back(std::move(cam));
        at += sectionBytes(pixels);
    }
    if (at != size) log.add(at, std::to_string(size - at) + " bytes after the last camera section");
    return t;
}

QuickWeaveTable readQuickWeaveTable(const uint8_t* data, size_t size) {
    MemorySource source(data, size);
    return readQuickWeaveTable(source);
}
