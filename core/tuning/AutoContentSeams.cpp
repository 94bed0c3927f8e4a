#include "tuning/AutoContentSeams.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "project/Project.h"
#include "tuning/AutoSeams.h"

namespace {

// The first entry of `list` not yet matched, of `kind`, whose panorama column
// lies in the frame; -1 when there is none.
int matchEntry(const std::vector<BlendEdge>& list, const std::vector<bool>& used, const Camara& cam,
               const StripFrame& f, int kind) {
    for (size_t k = 0; k < list.size(); ++k)
        if (!used[k] && list[k].kind == kind && frameHolds(f, list[k].column + cam.offsetX))
            return static_cast<int>(k);
    return -1;
}

struct FoundSeam {
    int upper, lower;
    OverlapStrip strip;
    RowSeam seam;
};

// Lowers the camera's weights (CV_8UC1 of its image's size) to what the seam
// gives it over the strip, except where the other camera of the pair has no
// pixel: there the camera alone shows and keeps its own.
void cutInto(cv::Mat& weight, const Camara& cam, const StripFrame& f, const cv::Mat& stripWeight,
             const cv::Mat& otherLayer) {
    const std::vector<int> column = stripColumnsInLayer(f, cam.offsetX, weight.cols);
    for (int i = 0; i < f.rows; ++i) {
        const int r = f.firstRow + i - cam.offsetY;
        if (r < 0 || r >= weight.rows) continue;
        uint8_t* w = weight.ptr<uint8_t>(r);
        const uint8_t* s = stripWeight.ptr<uint8_t>(i);
        const uint8_t* other = otherLayer.ptr<uint8_t>(i);
        for (int j = 0; j < f.columns; ++j) {
            const int c = column[static_cast<size_t>(j)];
            if (c < 0 || other[j * 4 + 3] == 0) continue;
            w[c] = std::min(w[c], s[j]);
        }
    }
}

// The camera's image with `weight` as its alpha, cleared where it is 0.
cv::Mat seamedDisplay(const cv::Mat& image, const cv::Mat& weight) {
    cv::Mat out(image.size(), CV_8UC4);
    for (int r = 0; r < image.rows; ++r) {
        const uint32_t* src = image.ptr<uint32_t>(r);
        const uint8_t* w = weight.ptr<uint8_t>(r);
        uint32_t* dst = out.ptr<uint32_t>(r);
        uint8_t* bytes = out.ptr<uint8_t>(r);
        for (int c = 0; c < image.cols; ++c) {
            dst[c] = w[c] ? src[c] : 0u;
            bytes[c * 4 + 3] = w[c];
        }
    }
    return out;
}

// The outermost columns holding a pixel of weight: one run from the first to
// the last, or, for a camera whose middle-rule region wraps around its image's
// border (first entry an end), the two runs either side of the widest gap.
std::vector<BoundaryEdge> keptBoundary(const cv::Mat& weight, std::vector<BlendEdge> entries) {
    if (entries[0].column >= entries[1].column) std::swap(entries[0], entries[1]);
    std::vector<uint8_t> kept(static_cast<size_t>(weight.cols), 0);
    for (int r = 0; r < weight.rows; ++r) {
        const uint8_t* w = weight.ptr<uint8_t>(r);
        for (int c = 0; c < weight.cols; ++c) kept[static_cast<size_t>(c)] |= w[c] != 0;
    }
    int first = -1, last = -1, gapFrom = -1, gapLength = 0;
    for (int c = 0; c < weight.cols; ++c) {
        if (!kept[static_cast<size_t>(c)]) continue;
        if (last >= 0 && c - last - 1 > gapLength) gapFrom = last + 1, gapLength = c - last - 1;
        if (first < 0) first = c;
        last = c;
    }
    if (first < 0)  // nothing kept: the tables leave the camera out and say so
        return {{entries[0].column, entries[0].kind}, {entries[1].column, entries[1].kind}};
    if (entries[0].kind == 0 && gapLength > 0) return {{gapFrom - 1, 0}, {gapFrom + gapLength, 1}};
    return {{first, 1}, {last, 0}};
}

}  // namespace

ContentSeamOptions contentSeamOptions(int fadeWidth) {
    ContentSeamOptions o;
    o.fadeWidth = fadeWidth;
    o.narrowestFade = std::min(o.narrowestFade, fadeWidth);
    return o;
}

int applyContentSeams(Project& project, const std::vector<std::vector<BlendEdge>>& table,
                      int fadeWidth, std::vector<CameraProblem>* failures) {
    const int n = static_cast<int>(project.cameras.size());
    if (static_cast<int>(table.size()) != n || project.panoWidth <= 0) return -1;
    std::vector<std::vector<bool>> used(table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        used[i].assign(table[i].size(), false);
        // An open end keeps the camera's whole side: nothing to match there.
        for (size_t k = 0; k < table[i].size(); ++k)
            used[i][k] = isOpenSide(project, static_cast<int>(i), table[i][k]);
    }
    const ContentSeamOptions options = contentSeamOptions(fadeWidth);
    std::vector<FoundSeam> found;
    const std::deque<int>& order = project.drawOrder;
    // The pairs in the middle rule's order, so each entry finds the overlap it
    // was placed in.
    for (size_t pi = order.size(); pi-- > 0;) {
        const int p = order[pi];
        if (p < 0 || p >= n) continue;
        for (size_t qi = pi; qi-- > 0;) {
            const int q = order[qi];
            if (q < 0 || q >= n || q == p) continue;
            const Camara& up = project.cameras[static_cast<size_t>(p)];
            const Camara& low = project.cameras[static_cast<size_t>(q)];
            for (OverlapStrip& s :
                 overlapStrips(up.image, {up.offsetX, up.offsetY}, low.image,
                               {low.offsetX, low.offsetY}, project.panoWidth, kContentSeamMargin)) {
                const int upperKind = s.upperKeepsLeft ? 0 : 1;
                const int ku = matchEntry(table[static_cast<size_t>(p)],
                                          used[static_cast<size_t>(p)], up, s.frame, upperKind);
                const int kl =
                    matchEntry(table[static_cast<size_t>(q)], used[static_cast<size_t>(q)], low,
                               s.frame, 1 - upperKind);
                if (ku < 0 || kl < 0) continue;
                used[static_cast<size_t>(p)][static_cast<size_t>(ku)] = true;
                used[static_cast<size_t>(q)][static_cast<size_t>(kl)] = true;
                RowSeam seam = findContentSeam(s.upper, s.lower, s.upperKeepsLeft, options);
                found.push_back({p, q, std::move(s), std::move(seam)});
            }
        }
    }
    bool ok = true;
    for (int i = 0; i < n; ++i) {
        const std::vector<bool>& u = used[static_cast<size_t>(i)];
        if (u.size() == 2 && u[0] && u[1]) continue;
        ok = false;
        const Camara& cam = project.cameras[static_cast<size_t>(i)];
        if (failures)
            failures->push_back({i, sourceFileName(cam.sourcePath),
                                 "a seam of the middle of its overlaps lies where no row holds "
                                 "both cameras' pixels, so no content seam can be placed there"});
    }
    if (!ok) return -1;

    std::vector<cv::Mat> weights(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        cv::extractChannel(project.cameras[static_cast<size_t>(i)].image,
                           weights[static_cast<size_t>(i)], 3);
    for (const FoundSeam& f : found) {
        cv::Mat uw, lw;
        seamWeights(f.seam, f.strip.upper, f.strip.lower, uw, lw);
        cutInto(weights[static_cast<size_t>(f.upper)],
                project.cameras[static_cast<size_t>(f.upper)], f.strip.frame, uw, f.strip.lower);
        cutInto(weights[static_cast<size_t>(f.lower)],
                project.cameras[static_cast<size_t>(f.lower)], f.strip.frame, lw, f.strip.upper);
    }
    for (int i = 0; i < n; ++i) {
        Camara& cam = project.cameras[static_cast<size_t>(i)];
        const cv::Mat& w = weights[static_cast<size_t>(i)];
        cam.applySeamedDisplay(seamedDisplay(cam.image, w),
                               keptBoundary(w, table[static_cast<size_t>(i)]));
    }
    project.placedSeams.clear();
    for (FoundSeam& f : found)
        project.placedSeams.push_back({f.upper, f.lower, f.strip.frame, std::move(f.seam)});
    return 0;
}
