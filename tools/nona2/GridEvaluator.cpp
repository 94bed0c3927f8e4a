#include "GridEvaluator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ParallelRows.h"

namespace nona2 {
namespace {

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

void allocate(const PixelRect& r, Evaluation& out) {
    out.rect = r;
    out.mapX.create(r.height(), r.width(), CV_32FC1);
    out.mapY.create(r.height(), r.width(), CV_32FC1);
    out.bgra.create(r.height(), r.width(), CV_8UC4);
}

// libpano13 at every pixel.
void evaluateExact(const PixelRect& r, const WorkerTransforms& transforms,
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

// libpano13 on a grid every kGrid pixels, spline interpolation in between
// where it is verified (see evaluate()).
void evaluateGrid(const PixelRect& r, const WorkerTransforms& transforms,
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

}  // namespace

void evaluate(const PixelRect& r, const WorkerTransforms& transforms, const ImageSampler& sampler,
              bool exact, Evaluation& out) {
    if (exact)
        evaluateExact(r, transforms, sampler, out);
    else
        evaluateGrid(r, transforms, sampler, out);
}

}  // namespace nona2
