#include "Remapper.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "ImageReader.h"
#include "PanoTransform.h"

namespace nona2 {
namespace {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
};

// Cubic convolution weights (a = -0.75, the kernel of Hugin's and OpenCV's
// bicubic interpolation) for the four taps around a fractional position.
inline void cubicWeights(double f, double w[4]) {
    const double a = -0.75;
    const double x0 = 1.0 + f, x1 = f, x2 = 1.0 - f;
    w[0] = ((a * x0 - 5.0 * a) * x0 + 8.0 * a) * x0 - 4.0 * a;
    w[1] = ((a + 2.0) * x1 - (a + 3.0)) * x1 * x1 + 1.0;
    w[2] = ((a + 2.0) * x2 - (a + 3.0)) * x2 * x2 + 1.0;
    w[3] = 1.0 - w[0] - w[1] - w[2];
}

// Bicubic colour at (sx, sy) with the border replicated; writes B, G, R.
inline void sampleBicubic(const cv::Mat& src, double sx, double sy, uint8_t* out) {
    const int channels = src.channels();
    const double fx = std::floor(sx), fy = std::floor(sy);
    double wx[4], wy[4];
    cubicWeights(sx - fx, wx);
    cubicWeights(sy - fy, wy);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const bool inner = ix >= 1 && iy >= 1 && ix + 2 < src.cols && iy + 2 < src.rows;
    int cols[4];
    for (int k = 0; k < 4; ++k)
        cols[k] = (inner ? ix - 1 + k : std::clamp(ix - 1 + k, 0, src.cols - 1)) * channels;
    double acc[3] = {0, 0, 0};
    for (int j = 0; j < 4; ++j) {
        const int y = inner ? iy - 1 + j : std::clamp(iy - 1 + j, 0, src.rows - 1);
        const uint8_t* row = src.ptr<uint8_t>(y);
        const uint8_t* p0 = row + cols[0];
        const uint8_t* p1 = row + cols[1];
        const uint8_t* p2 = row + cols[2];
        const uint8_t* p3 = row + cols[3];
        for (int c = 0; c < 3; ++c)
            acc[c] += wy[j] * (wx[0] * p0[c] + wx[1] * p1[c] + wx[2] * p2[c] + wx[3] * p3[c]);
    }
    for (int c = 0; c < 3; ++c) out[c] = cv::saturate_cast<uint8_t>(acc[c]);
}

// Fills the inside of a polygon (pixel centres, even-odd rule) with `value`.
void fillPolygon(cv::Mat& mask, const std::vector<std::array<double, 2>>& pts, uint8_t value) {
    const size_t n = pts.size();
    std::vector<double> xs;
    for (int y = 0; y < mask.rows; ++y) {
        xs.clear();
        for (size_t k = 0; k < n; ++k) {
            const auto& a = pts[k];
            const auto& b = pts[(k + 1) % n];
            if ((a[1] <= y && b[1] > y) || (b[1] <= y && a[1] > y))
                xs.push_back(a[0] + (y - a[1]) / (b[1] - a[1]) * (b[0] - a[0]));
        }
        std::sort(xs.begin(), xs.end());
        uint8_t* row = mask.ptr<uint8_t>(y);
        for (size_t k = 0; k + 1 < xs.size(); k += 2) {
            const int from = std::max(0, static_cast<int>(std::ceil(xs[k])));
            const int to = std::min(mask.cols - 1, static_cast<int>(std::floor(xs[k + 1])));
            for (int x = from; x <= to; ++x) row[x] = value;
        }
    }
}

class ImageSampler {
public:
    ImageSampler(const cv::Mat& source, const cv::Mat& mask) : src_(source), mask_(mask) {}

    // Nona's rule: a panorama pixel belongs to the image when its source
    // position, rounded, lies inside the image (and inside crop and masks).
    bool valid(double sx, double sy) const {
        const double rx = std::floor(sx + 0.5), ry = std::floor(sy + 0.5);
        if (rx < 0 || ry < 0 || rx >= src_.cols || ry >= src_.rows) return false;
        return mask_.empty() || mask_.at<uint8_t>(static_cast<int>(ry), static_cast<int>(rx)) != 0;
    }
    void colour(double sx, double sy, uint8_t* bgr) const { sampleBicubic(src_, sx, sy, bgr); }

private:
    const cv::Mat& src_;
    const cv::Mat& mask_;
};

struct Evaluation {
    Rect rect;
    cv::Mat mapX, mapY, bgra;
};

// Stores one pixel's source position and, where it is valid, its colour.
inline void finishPixel(bool defined, double sx, double sy, const ImageSampler& sampler, float* mx,
                        float* my, uint8_t* px) {
    if (!defined) {
        *mx = -1.0f, *my = -1.0f;
        px[0] = px[1] = px[2] = px[3] = 0;
        return;
    }
    *mx = static_cast<float>(sx);
    *my = static_cast<float>(sy);
    if (sampler.valid(sx, sy)) {
        sampler.colour(sx, sy, px);
        px[3] = 255;
    } else {
        px[0] = px[1] = px[2] = px[3] = 0;
    }
}

void allocate(const Rect& r, Evaluation& out) {
    out.rect = r;
    out.mapX.create(r.height(), r.width(), CV_32FC1);
    out.mapY.create(r.height(), r.width(), CV_32FC1);
    out.bgra.create(r.height(), r.width(), CV_8UC4);
}

// libpano13 at every pixel.
void evaluateExact(const Rect& r, const std::vector<std::unique_ptr<PanoTransform>>& transforms,
                   const ImageSampler& sampler, Evaluation& out) {
    allocate(r, out);
    parallelRows(r.top, r.bottom, static_cast<int>(transforms.size()), [&](int y, int worker) {
        const PanoTransform& t = *transforms[static_cast<size_t>(worker)];
        float* mx = out.mapX.ptr<float>(y - r.top);
        float* my = out.mapY.ptr<float>(y - r.top);
        uint8_t* px = out.bgra.ptr<uint8_t>(y - r.top);
        for (int x = r.left; x < r.right; ++x, ++mx, ++my, px += 4) {
            double sx = 0, sy = 0;
            const bool defined = t.map(x, y, sx, sy);
            finishPixel(defined, sx, sy, sampler, mx, my, px);
        }
    });
}

// Catmull-Rom weights for a fraction t of a grid cell.
inline void splineWeights(double t, double w[4]) {
    const double t2 = t * t, t3 = t2 * t;
    w[0] = 0.5 * (-t3 + 2.0 * t2 - t);
    w[1] = 0.5 * (3.0 * t3 - 5.0 * t2 + 2.0);
    w[2] = 0.5 * (-3.0 * t3 + 4.0 * t2 + t);
    w[3] = 0.5 * (t3 - t2);
}

// libpano13 on a grid every kGrid pixels, spline interpolation in between.
// A cell is interpolated only when its 4 x 4 surrounding grid points are all
// defined and the spline agrees with libpano13 at the cell centre to within
// kTolerance; a cell whose grid points and centre are all undefined is
// undefined; any other cell (a lens edge, the rim of what a lens can see, a
// pole, a wrap) is evaluated at every pixel.
void evaluateGrid(const Rect& r, const std::vector<std::unique_ptr<PanoTransform>>& transforms,
                  const ImageSampler& sampler, Evaluation& out) {
    constexpr int kGrid = 8;
    constexpr double kTolerance = 1e-3;
    allocate(r, out);
    const int workers = static_cast<int>(transforms.size());
    const int cellsX = (r.width() + kGrid - 1) / kGrid;
    const int cellsY = (r.height() + kGrid - 1) / kGrid;
    const int nodesX = cellsX + 3, nodesY = cellsY + 3;  // one extra node before, two after
    const size_t nodeCount = static_cast<size_t>(nodesX) * static_cast<size_t>(nodesY);
    std::vector<double> nodeX(nodeCount), nodeY(nodeCount);
    std::vector<uint8_t> nodeOk(nodeCount);
    auto node = [nodesX](int i, int j) {
        return static_cast<size_t>(j) * static_cast<size_t>(nodesX) + static_cast<size_t>(i);
    };
    parallelRows(0, nodesY, workers, [&](int j, int worker) {
        const PanoTransform& t = *transforms[static_cast<size_t>(worker)];
        const int y = r.top + (j - 1) * kGrid;
        for (int i = 0; i < nodesX; ++i) {
            const size_t n = node(i, j);
            nodeOk[n] = t.map(r.left + (i - 1) * kGrid, y, nodeX[n], nodeY[n]) ? 1 : 0;
        }
    });

    double weights[kGrid][4];
    for (int k = 0; k < kGrid; ++k) splineWeights(static_cast<double>(k) / kGrid, weights[k]);
    double centre[4];
    splineWeights(0.5, centre);

    parallelRows(
        0, cellsY, workers,
        [&](int cj, int worker) {
            const PanoTransform& t = *transforms[static_cast<size_t>(worker)];
            const int y0 = r.top + cj * kGrid;
            const int y1 = std::min(r.bottom, y0 + kGrid);
            for (int ci = 0; ci < cellsX; ++ci) {
                const int x0 = r.left + ci * kGrid;
                const int x1 = std::min(r.right, x0 + kGrid);
                // Grid points ci .. ci+3, cj .. cj+3 surround the cell.
                int defined = 0;
                double px4[4][4], py4[4][4];
                for (int b = 0; b < 4; ++b) {
                    for (int a = 0; a < 4; ++a) {
                        const size_t n = node(ci + a, cj + b);
                        defined += nodeOk[n];
                        px4[b][a] = nodeX[n];
                        py4[b][a] = nodeY[n];
                    }
                }
                bool smooth = defined == 16;
                // Deep inside an undefined area (behind a lens): the whole
                // cell is undefined when its centre is too.
                const double half = kGrid / 2.0;
                double ex = 0, ey = 0;
                if (defined == 0 && !t.map(x0 + half, y0 + half, ex, ey)) {
                    for (int y = y0; y < y1; ++y) {
                        float* mx = out.mapX.ptr<float>(y - r.top) + (x0 - r.left);
                        float* my = out.mapY.ptr<float>(y - r.top) + (x0 - r.left);
                        uint8_t* px = out.bgra.ptr<uint8_t>(y - r.top) + 4 * (x0 - r.left);
                        for (int x = x0; x < x1; ++x, ++mx, ++my, px += 4)
                            finishPixel(false, 0, 0, sampler, mx, my, px);
                    }
                    continue;
                }
                if (smooth) {
                    double ix = 0, iy = 0;
                    for (int b = 0; b < 4; ++b)
                        for (int a = 0; a < 4; ++a) {
                            ix += centre[b] * centre[a] * px4[b][a];
                            iy += centre[b] * centre[a] * py4[b][a];
                        }
                    smooth = t.map(x0 + half, y0 + half, ex, ey) &&
                             std::fabs(ex - ix) <= kTolerance && std::fabs(ey - iy) <= kTolerance;
                }
                for (int y = y0; y < y1; ++y) {
                    float* mx = out.mapX.ptr<float>(y - r.top) + (x0 - r.left);
                    float* my = out.mapY.ptr<float>(y - r.top) + (x0 - r.left);
                    uint8_t* px = out.bgra.ptr<uint8_t>(y - r.top) + 4 * (x0 - r.left);
                    if (!smooth) {
                        for (int x = x0; x < x1; ++x, ++mx, ++my, px += 4) {
                            double sx = 0, sy = 0;
                            const bool ok = t.map(x, y, sx, sy);
                            finishPixel(ok, sx, sy, sampler, mx, my, px);
                        }
                        continue;
                    }
                    const double* wy = weights[y - y0];
                    double colX[4], colY[4];
                    for (int a = 0; a < 4; ++a) {
                        colX[a] = wy[0] * px4[0][a] + wy[1] * px4[1][a] + wy[2] * px4[2][a] +
                                  wy[3] * px4[3][a];
                        colY[a] = wy[0] * py4[0][a] + wy[1] * py4[1][a] + wy[2] * py4[2][a] +
                                  wy[3] * py4[3][a];
                    }
                    for (int x = x0; x < x1; ++x, ++mx, ++my, px += 4) {
                        const double* wx = weights[x - x0];
                        const double sx =
                            wx[0] * colX[0] + wx[1] * colX[1] + wx[2] * colX[2] + wx[3] * colX[3];
                        const double sy =
                            wx[0] * colY[0] + wx[1] * colY[1] + wx[2] * colY[2] + wx[3] * colY[3];
                        finishPixel(true, sx, sy, sampler, mx, my, px);
                    }
                }
            }
        },
        1);
}

void evaluate(const Rect& r, const std::vector<std::unique_ptr<PanoTransform>>& transforms,
              const ImageSampler& sampler, bool exact, Evaluation& out) {
    if (exact)
        evaluateExact(r, transforms, sampler, out);
    else
        evaluateGrid(r, transforms, sampler, out);
}

// Bounding box of the pixels with non-zero alpha, in panorama coordinates.
Rect validBounds(const Evaluation& e, int& count) {
    Rect b{e.rect.right, e.rect.bottom, e.rect.left, e.rect.top};
    count = 0;
    for (int y = 0; y < e.bgra.rows; ++y) {
        const uint8_t* px = e.bgra.ptr<uint8_t>(y);
        for (int x = 0; x < e.bgra.cols; ++x) {
            if (!px[4 * x + 3]) continue;
            ++count;
            b.left = std::min(b.left, e.rect.left + x);
            b.right = std::max(b.right, e.rect.left + x + 1);
            b.top = std::min(b.top, e.rect.top + y);
            b.bottom = std::max(b.bottom, e.rect.top + y + 1);
        }
    }
    return b;
}

// Coarse first look: the region where the image may land, from a sample grid,
// widened by a margin. Empty when no sample hits the image.
Rect coarseRegion(const Rect& canvas, const std::vector<std::unique_ptr<PanoTransform>>& transforms,
                  const ImageSampler& sampler, int step) {
    const int nx = (canvas.width() + step - 1) / step + 1;
    const int ny = (canvas.height() + step - 1) / step + 1;
    std::vector<uint8_t> hit(static_cast<size_t>(nx) * static_cast<size_t>(ny), 0);
    parallelRows(0, ny, static_cast<int>(transforms.size()), [&](int j, int worker) {
        const PanoTransform& t = *transforms[static_cast<size_t>(worker)];
        const int y = std::min(canvas.top + j * step, canvas.bottom - 1);
        for (int i = 0; i < nx; ++i) {
            const int x = std::min(canvas.left + i * step, canvas.right - 1);
            double sx = 0, sy = 0;
            if (t.map(x, y, sx, sy) && sampler.valid(sx, sy))
                hit[static_cast<size_t>(j) * static_cast<size_t>(nx) + static_cast<size_t>(i)] = 1;
        }
    });
    Rect r{canvas.right, canvas.bottom, canvas.left, canvas.top};
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            if (!hit[static_cast<size_t>(j) * static_cast<size_t>(nx) + static_cast<size_t>(i)])
                continue;
            const int x = std::min(canvas.left + i * step, canvas.right - 1);
            const int y = std::min(canvas.top + j * step, canvas.bottom - 1);
            r.left = std::min(r.left, x);
            r.right = std::max(r.right, x + 1);
            r.top = std::min(r.top, y);
            r.bottom = std::max(r.bottom, y + 1);
        }
    if (r.empty()) return r;
    const int margin = 2 * step;
    r.left = std::max(canvas.left, r.left - margin);
    r.top = std::max(canvas.top, r.top - margin);
    r.right = std::min(canvas.right, r.right + margin);
    r.bottom = std::min(canvas.bottom, r.bottom + margin);
    return r;
}

// The layer box nona gives an r:CROP layer. It looks for the image on a
// miniature panorama (about 180 pixels on its longer side), grows what it finds
// by one miniature pixel and scales that back, so the layer keeps a transparent
// margin around the image's footprint. The margin matters downstream: a level
// camera's valid region has vertical sides, and without the margin its middle
// row would show no transition to cut at. Empty when the miniature misses the
// image altogether.
Rect nonaLayerBox(const PanoOptions& pano, const Rect& canvas, const PanoTransform& t,
                  const ImageSampler& sampler) {
    const double s = std::min(180.0 / pano.width, 180.0 / pano.height);
    const int miniW = static_cast<int>(std::ceil(pano.width * s));
    const int miniH = static_cast<int>(std::ceil(pano.height * s));
    const int left = std::max(0, static_cast<int>(std::floor(canvas.left * s)));
    const int top = std::max(0, static_cast<int>(std::floor(canvas.top * s)));
    const int right = std::min(miniW, static_cast<int>(std::ceil(canvas.right * s)));
    const int bottom = std::min(miniH, static_cast<int>(std::ceil(canvas.bottom * s)));
    Rect hit{right, bottom, left, top};  // inclusive miniature extremes while scanning
    bool any = false;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            double sx = 0, sy = 0;
            if (!t.map(x / s, y / s, sx, sy) || !sampler.valid(sx, sy)) continue;
            any = true;
            hit.left = std::min(hit.left, x);
            hit.right = std::max(hit.right, x);
            hit.top = std::min(hit.top, y);
            hit.bottom = std::max(hit.bottom, y);
        }
    if (!any) return Rect{};
    // The 3 x 3 dilation moves each extreme out by one miniature pixel; the
    // miniature pixel x covers panorama columns x / s .. (x + 1) / s.
    auto toPano = [s](int v) { return static_cast<int>(std::floor(v / s + 0.5)); };
    Rect box{toPano(hit.left - 1), toPano(hit.top - 1), toPano(hit.right + 2),
             toPano(hit.bottom + 2)};
    box.left = std::max(box.left, canvas.left);
    box.top = std::max(box.top, canvas.top);
    box.right = std::min(box.right, canvas.right);
    box.bottom = std::min(box.bottom, canvas.bottom);
    return box;
}

// Pixels outside the image keep no source position, so nothing downstream can
// take a masked or cropped-away source pixel for a usable one.
void clearInvalidPositions(Evaluation& e) {
    for (int y = 0; y < e.bgra.rows; ++y) {
        const uint8_t* px = e.bgra.ptr<uint8_t>(y);
        float* mx = e.mapX.ptr<float>(y);
        float* my = e.mapY.ptr<float>(y);
        for (int x = 0; x < e.bgra.cols; ++x)
            if (!px[4 * x + 3]) mx[x] = my[x] = -1.0f;
    }
}

}  // namespace

int workerCount(int threads) {
    // Each worker holds its own transform and buffers: more than this only costs memory.
    if (threads > 0) return std::min(threads, 64);
    const unsigned hw = std::thread::hardware_concurrency();
    return hw == 0 ? 2 : static_cast<int>(std::min(hw, 64u));
}

void parallelRows(int begin, int end, int workers, const std::function<void(int, int)>& fn,
                  int block) {
    if (end <= begin) return;
    block = std::max(1, block);
    workers = std::max(1, std::min(workers, (end - begin + block - 1) / block));
    const int kBlock = block;
    std::atomic<int> next(begin);
    auto run = [&](int worker) {
        for (;;) {
            const int from = next.fetch_add(kBlock);
            if (from >= end) return;
            const int to = std::min(end, from + kBlock);
            for (int y = from; y < to; ++y) fn(y, worker);
        }
    };
    std::vector<std::thread> pool;
    for (int w = 1; w < workers; ++w) pool.emplace_back(run, w);
    run(0);
    for (std::thread& t : pool) t.join();
}

bool loadSourceImage(const ImageDesc& image, cv::Mat& out, std::string& error) {
    if (!readImage(image.path, out, error, cv::Size(image.width, image.height))) return false;
    if (out.cols != image.width || out.rows != image.height) {
        error = image.path + ": image is " + std::to_string(out.cols) + "x" +
                std::to_string(out.rows) + " but the project says " + std::to_string(image.width) +
                "x" + std::to_string(image.height);
        return false;
    }
    return true;
}

cv::Mat sourceMask(const ImageDesc& image, const cv::Mat& source) {
    const bool alpha = source.channels() == 4;
    if (!image.hasCropRect && image.masks.empty() && !alpha) return cv::Mat();
    cv::Mat mask(source.rows, source.cols, CV_8UC1, cv::Scalar(255));
    if (image.circularCrop()) {
        const double cx = image.cropLeft + (image.cropRight - image.cropLeft) / 2.0;
        const double cy = image.cropTop + (image.cropBottom - image.cropTop) / 2.0;
        const double radius =
            std::min(image.cropRight - image.cropLeft, image.cropBottom - image.cropTop) / 2.0;
        for (int y = 0; y < mask.rows; ++y) {
            uint8_t* row = mask.ptr<uint8_t>(y);
            for (int x = 0; x < mask.cols; ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > radius * radius) row[x] = 0;
        }
    } else if (image.hasCropRect) {
        mask.setTo(0);
        const int l = std::max(0, image.cropLeft), t = std::max(0, image.cropTop);
        const int r = std::min(source.cols, image.cropRight);
        const int b = std::min(source.rows, image.cropBottom);
        if (r > l && b > t) mask(cv::Rect(l, t, r - l, b - t)).setTo(255);
    }
    for (const MaskPolygon& m : image.masks) fillPolygon(mask, m.points, 0);
    if (alpha) {
        for (int y = 0; y < mask.rows; ++y) {
            const uint8_t* px = source.ptr<uint8_t>(y);
            uint8_t* row = mask.ptr<uint8_t>(y);
            for (int x = 0; x < mask.cols; ++x)
                if (px[4 * x + 3] == 0) row[x] = 0;
        }
    }
    return mask;
}

bool remapImage(const PtoProject& project, int index, const cv::Mat& source,
                const RemapOptions& options, RemappedLayer& out, std::string& error) {
    const PanoOptions& pano = project.pano;
    const ImageDesc& image = project.images.at(static_cast<size_t>(index));
    const int workers = workerCount(options.threads);
    std::vector<std::unique_ptr<PanoTransform>> transforms;
    for (int w = 0; w < workers; ++w) {
        transforms.push_back(std::make_unique<PanoTransform>());
        if (!transforms.back()->init(pano, image, PanoTransform::Direction::PanoToSource, error)) {
            error = project.path + ":" + std::to_string(image.line) + ": " + error;
            return false;
        }
    }
    const cv::Mat mask = sourceMask(image, source);
    const ImageSampler sampler(source, mask);

    Rect canvas{0, 0, pano.width, pano.height};
    if (pano.hasCrop) canvas = Rect{pano.cropLeft, pano.cropTop, pano.cropRight, pano.cropBottom};

    Evaluation eval;
    Rect bounds;
    if (!pano.cropLayers) {
        evaluate(canvas, transforms, sampler, options.exact, eval);
        validBounds(eval, out.validPixels);
        bounds = canvas;
    } else if (!(bounds = nonaLayerBox(pano, canvas, *transforms[0], sampler)).empty()) {
        evaluate(bounds, transforms, sampler, options.exact, eval);
        validBounds(eval, out.validPixels);
        clearInvalidPositions(eval);
    } else {
        // A footprint too small for the miniature: the exact box of its pixels.
        constexpr int kStep = 8;
        Rect region = coarseRegion(canvas, transforms, sampler, kStep);
        if (region.empty()) region = canvas;  // tiny or thin footprint: look everywhere
        for (;;) {
            evaluate(region, transforms, sampler, options.exact, eval);
            bounds = validBounds(eval, out.validPixels);
            if (bounds.empty()) break;
            // A footprint touching the evaluated border may continue beyond it.
            const int grow = 8 * kStep;
            Rect wider = region;
            if (bounds.left == region.left) wider.left = std::max(canvas.left, region.left - grow);
            if (bounds.top == region.top) wider.top = std::max(canvas.top, region.top - grow);
            if (bounds.right == region.right)
                wider.right = std::min(canvas.right, region.right + grow);
            if (bounds.bottom == region.bottom)
                wider.bottom = std::min(canvas.bottom, region.bottom + grow);
            if (wider.left == region.left && wider.top == region.top &&
                wider.right == region.right && wider.bottom == region.bottom)
                break;
            region = wider;
        }
        if (bounds.empty()) {
            // Nothing of the image lands in the panorama: one transparent pixel.
            out.left = canvas.left;
            out.top = canvas.top;
            out.bgra = cv::Mat(1, 1, CV_8UC4, cv::Scalar(0, 0, 0, 0));
            out.mapX = cv::Mat(1, 1, CV_32FC1, cv::Scalar(-1));
            out.mapY = cv::Mat(1, 1, CV_32FC1, cv::Scalar(-1));
            return true;
        }
    }
    const cv::Rect roi(bounds.left - eval.rect.left, bounds.top - eval.rect.top, bounds.width(),
                       bounds.height());
    out.left = bounds.left;
    out.top = bounds.top;
    out.bgra = eval.bgra(roi).clone();
    if (options.withMaps) {
        out.mapX = eval.mapX(roi).clone();
        out.mapY = eval.mapY(roi).clone();
    }
    return true;
}

}  // namespace nona2
