#include "LayerBox.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "ParallelRows.h"

namespace nona2 {

PixelRect nonaLayerBox(const PanoOptions& pano, const PixelRect& canvas, const PanoTransform& t,
                       const ImageSampler& sampler) {
    const double s = std::min(180.0 / pano.width, 180.0 / pano.height);
    const int miniW = static_cast<int>(std::ceil(pano.width * s));
    const int miniH = static_cast<int>(std::ceil(pano.height * s));
    const int left = std::max(0, static_cast<int>(std::floor(canvas.left * s)));
    const int top = std::max(0, static_cast<int>(std::floor(canvas.top * s)));
    const int right = std::min(miniW, static_cast<int>(std::ceil(canvas.right * s)));
    const int bottom = std::min(miniH, static_cast<int>(std::ceil(canvas.bottom * s)));
    PixelRect hit{right, bottom, left, top};  // inclusive miniature extremes while scanning
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
    if (!any) return PixelRect{};
    // The 3 x 3 dilation moves each extreme out by one miniature pixel; the
    // miniature pixel x covers panorama columns x / s .. (x + 1) / s.
    auto toPano = [s](int v) { return static_cast<int>(std::floor(v / s + 0.5)); };
    PixelRect box{toPano(hit.left - 1), toPano(hit.top - 1), toPano(hit.right + 2),
                  toPano(hit.bottom + 2)};
    box.left = std::max(box.left, canvas.left);
    box.top = std::max(box.top, canvas.top);
    box.right = std::min(box.right, canvas.right);
    box.bottom = std::min(box.bottom, canvas.bottom);
    return box;
}

PixelRect coarseRegion(const PixelRect& canvas, const WorkerTransforms& transforms,
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
    PixelRect r{canvas.right, canvas.bottom, canvas.left, canvas.top};
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

}  // namespace nona2
