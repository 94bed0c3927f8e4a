#include "GridEvaluator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ParallelRows.h"

namespace nona2 {
namespace {

constexpr int kGrid = RectEvaluator::kRowStep;
constexpr double kTolerance = 1e-3;

// Stores one pixel's source position and, where it is valid, its colour. A
// transparent pixel whose position lies outside the source image keeps none
// (-1, -1): nothing reads it there, and runs of -1 cost the writer and every
// reader far less than exact positions far beyond the image.
inline void finishPixel(bool defined, double sx, double sy, const ImageSampler& sampler, float* mx,
                        float* my, uint8_t* px) {
    if (defined && sampler.valid(sx, sy)) {
        *mx = static_cast<float>(sx);
        *my = static_cast<float>(sy);
        sampler.colour(sx, sy, px);
        px[3] = 255;
        return;
    }
    px[0] = px[1] = px[2] = px[3] = 0;
    if (!defined || sampler.outside(sx, sy)) {
        *mx = -1.0f, *my = -1.0f;
    } else {
        *mx = static_cast<float>(sx);
        *my = static_cast<float>(sy);
    }
}

// True when no pixel of a cell can come from the source image: its 4 x 4
// surrounding grid points all lie beyond one edge of the image, farther than
// the spline through them can swing between them (a Catmull-Rom patch stays
// within 0.3 of its points' range beyond that range) plus `slack`: four times
// the spline's error at the cell's centre and a pixel, or, farther out, the
// image's own size (then neither the centre nor points the lens cannot see
// matter). Far outside the image the transform bends too much for the
// spline's 1/1000 pixel, and these cells would otherwise be mapped pixel by
// pixel to no purpose.
// The same with any `slack` beyond the swing, over the grid points whose
// `ok` is set.
bool beyondImage(const double px[4][4], const double py[4][4], const uint8_t ok[4][4], double slack,
                 const ImageSampler& sampler) {
    double loX = HUGE_VAL, hiX = -HUGE_VAL, loY = HUGE_VAL, hiY = -HUGE_VAL;
    for (int b = 0; b < 4; ++b)
        for (int a = 0; a < 4; ++a) {
            if (!ok[b][a]) continue;
            loX = std::min(loX, px[b][a]), hiX = std::max(hiX, px[b][a]);
            loY = std::min(loY, py[b][a]), hiY = std::max(hiY, py[b][a]);
        }
    if (loX > hiX) return false;
    // Valid positions round into 0 .. size - 1, so they lie at or above -0.5.
    auto beyond = [slack](double lo, double hi, int size) {
        const double swing = 0.5 * (hi - lo) + slack;
        return hi + swing < -0.5 || lo - swing > size;
    };
    return beyond(loX, hiX, sampler.cols()) || beyond(loY, hiY, sampler.rows());
}

// Catmull-Rom weights for a fraction t of a grid cell.
inline void splineWeights(double t, double w[4]) {
    const double t2 = t * t, t3 = t2 * t;
    w[0] = 0.5 * (-t3 + 2.0 * t2 - t);
    w[1] = 0.5 * (3.0 * t3 - 5.0 * t2 + 2.0);
    w[2] = 0.5 * (-3.0 * t3 + 4.0 * t2 + t);
    w[3] = 0.5 * (t3 - t2);
}

}  // namespace

RectEvaluator::RectEvaluator(const PixelRect& r, const WorkerTransforms& transforms,
                             const ImageSampler& sampler, bool exact)
    : r_(r), transforms_(transforms), sampler_(sampler), exact_(exact) {
    if (exact_) return;
    const int cellsX = (r.width() + kGrid - 1) / kGrid;
    const int cellsY = (r.height() + kGrid - 1) / kGrid;
    nodesX_ = cellsX + 3;  // one extra node before, two after
    const int nodesY = cellsY + 3;
    const size_t nodeCount = static_cast<size_t>(nodesX_) * static_cast<size_t>(nodesY);
    nodeX_.resize(nodeCount);
    nodeY_.resize(nodeCount);
    nodeOk_.resize(nodeCount);
    parallelRows(0, nodesY, static_cast<int>(transforms.size()), [&](int j, int worker) {
        const PanoTransform& t = *transforms[static_cast<size_t>(worker)];
        const int y = r.top + (j - 1) * kGrid;
        for (int i = 0; i < nodesX_; ++i) {
            const size_t n =
                static_cast<size_t>(j) * static_cast<size_t>(nodesX_) + static_cast<size_t>(i);
            nodeOk_[n] = t.map(r.left + (i - 1) * kGrid, y, nodeX_[n], nodeY_[n]) ? 1 : 0;
        }
    });
}

void RectEvaluator::evaluateRows(int top, int bottom, Evaluation& out) const {
    CV_Assert(top >= r_.top && bottom <= r_.bottom && top < bottom &&
              (top - r_.top) % kRowStep == 0 &&
              (bottom == r_.bottom || (bottom - r_.top) % kRowStep == 0));
    const PixelRect band{r_.left, top, r_.right, bottom};
    out.rect = band;
    out.mapX.create(band.height(), band.width(), CV_32FC1);
    out.mapY.create(band.height(), band.width(), CV_32FC1);
    out.bgra.create(band.height(), band.width(), CV_8UC4);
    if (exact_)
        exactRows(top, bottom, out);
    else
        gridRows(top, bottom, out);
}

// libpano13 at every pixel.
void RectEvaluator::exactRows(int top, int bottom, Evaluation& out) const {
    parallelRows(top, bottom, static_cast<int>(transforms_.size()), [&](int y, int worker) {
        const PanoTransform& t = *transforms_[static_cast<size_t>(worker)];
        float* mx = out.mapX.ptr<float>(y - top);
        float* my = out.mapY.ptr<float>(y - top);
        uint8_t* px = out.bgra.ptr<uint8_t>(y - top);
        for (int x = r_.left; x < r_.right; ++x, ++mx, ++my, px += 4) {
            double sx = 0, sy = 0;
            const bool defined = t.map(x, y, sx, sy);
            finishPixel(defined, sx, sy, sampler_, mx, my, px);
        }
    });
}

// libpano13 on the grid, spline interpolation in between where it is
// verified (see the class comment).
void RectEvaluator::gridRows(int top, int bottom, Evaluation& out) const {
    const PixelRect& r = r_;
    const int workers = static_cast<int>(transforms_.size());
    const int cellsX = (r.width() + kGrid - 1) / kGrid;
    const int nodesX = nodesX_;
    auto node = [nodesX](int i, int j) {
        return static_cast<size_t>(j) * static_cast<size_t>(nodesX) + static_cast<size_t>(i);
    };
    const std::vector<double>& nodeX = nodeX_;
    const std::vector<double>& nodeY = nodeY_;
    const std::vector<uint8_t>& nodeOk = nodeOk_;

    double weights[kGrid][4];
    for (int k = 0; k < kGrid; ++k) splineWeights(static_cast<double>(k) / kGrid, weights[k]);
    double centre[4];
    splineWeights(0.5, centre);

    const double farSlack = std::max(sampler_.cols(), sampler_.rows()) + 1.0;
    // A cell no pixel of which comes from the image: no position, transparent.
    const auto clearCell = [&](int x0, int x1, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            float* mx = out.mapX.ptr<float>(y - top) + (x0 - r.left);
            float* my = out.mapY.ptr<float>(y - top) + (x0 - r.left);
            uint8_t* px = out.bgra.ptr<uint8_t>(y - top) + 4 * (x0 - r.left);
            std::fill(mx, mx + (x1 - x0), -1.0f);
            std::fill(my, my + (x1 - x0), -1.0f);
            std::fill(px, px + 4 * (x1 - x0), uint8_t(0));
        }
    };
    const auto cellRow = [&](int cj, int worker) {
        const PanoTransform& t = *transforms_[static_cast<size_t>(worker)];
        const int y0 = r.top + cj * kGrid;
        const int y1 = std::min(r.bottom, y0 + kGrid);
        for (int ci = 0; ci < cellsX; ++ci) {
            const int x0 = r.left + ci * kGrid;
            const int x1 = std::min(r.right, x0 + kGrid);
            // Grid points ci .. ci+3, cj .. cj+3 surround the cell.
            int defined = 0;
            double px4[4][4], py4[4][4];
            uint8_t ok4[4][4];
            for (int b = 0; b < 4; ++b) {
                for (int a = 0; a < 4; ++a) {
                    const size_t n = node(ci + a, cj + b);
                    defined += nodeOk[n];
                    ok4[b][a] = nodeOk[n];
                    px4[b][a] = nodeX[n];
                    py4[b][a] = nodeY[n];
                }
            }
            if (defined > 0 && beyondImage(px4, py4, ok4, farSlack, sampler_)) {
                clearCell(x0, x1, y0, y1);
                continue;
            }
            bool smooth = defined == 16;
            // Deep inside an undefined area (behind a lens): the whole
            // cell is undefined when its centre is too.
            const int half = kGrid / 2;
            double ex = 0, ey = 0;
            // Whether the centre has been mapped, and with what result: a cell
            // mapped pixel by pixel takes it, and its corner from the grid,
            // instead of asking libpano13 again.
            bool centreMapped = defined == 0, centreOk = false;
            if (defined == 0) centreOk = t.map(x0 + half, y0 + half, ex, ey);
            if (defined == 0 && !centreOk) {
                clearCell(x0, x1, y0, y1);
                continue;
            }
            if (smooth) {
                double ix = 0, iy = 0;
                for (int b = 0; b < 4; ++b)
                    for (int a = 0; a < 4; ++a) {
                        ix += centre[b] * centre[a] * px4[b][a];
                        iy += centre[b] * centre[a] * py4[b][a];
                    }
                centreMapped = true;
                centreOk = t.map(x0 + half, y0 + half, ex, ey);
                const double error = std::max(std::fabs(ex - ix), std::fabs(ey - iy));
                smooth = centreOk && error <= kTolerance;
                if (centreOk && beyondImage(px4, py4, ok4, 4.0 * error + 1.0, sampler_)) {
                    clearCell(x0, x1, y0, y1);
                    continue;
                }
            }
            for (int y = y0; y < y1; ++y) {
                float* mx = out.mapX.ptr<float>(y - top) + (x0 - r.left);
                float* my = out.mapY.ptr<float>(y - top) + (x0 - r.left);
                uint8_t* px = out.bgra.ptr<uint8_t>(y - top) + 4 * (x0 - r.left);
                if (!smooth) {
                    const size_t corner = node(ci + 1, cj + 1);  // (x0, y0)
                    for (int x = x0; x < x1; ++x, ++mx, ++my, px += 4) {
                        double sx = 0, sy = 0;
                        bool ok;
                        if (x == x0 && y == y0)
                            ok = nodeOk[corner], sx = nodeX[corner], sy = nodeY[corner];
                        else if (centreMapped && x == x0 + half && y == y0 + half)
                            ok = centreOk, sx = ex, sy = ey;
                        else
                            ok = t.map(x, y, sx, sy);
                        finishPixel(ok, sx, sy, sampler_, mx, my, px);
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
                    finishPixel(true, sx, sy, sampler_, mx, my, px);
                }
            }
        }
    };
    parallelRows((top - r.top) / kGrid, (bottom - r.top + kGrid - 1) / kGrid, workers, cellRow, 1);
}

void evaluate(const PixelRect& r, const WorkerTransforms& transforms, const ImageSampler& sampler,
              bool exact, Evaluation& out) {
    RectEvaluator(r, transforms, sampler, exact).evaluateRows(r.top, r.bottom, out);
}

}  // namespace nona2
