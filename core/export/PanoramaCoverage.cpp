#include "export/PanoramaCoverage.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <opencv2/imgproc.hpp>

#include "export/ColumnBoundary.h"
#include "project/LoadReport.h"
#include "project/Project.h"

namespace {

// The classes of SeenArea::depth(), which a seen pixel without weight keeps
// in a hole mask: kFringe within the fringe, kDeepHole deeper inside.
constexpr uint8_t kFringe = 1;
constexpr uint8_t kHole = 2;
constexpr uint8_t kDeepHole = kFringe | kHole;

// The part of the panorama's W x H that a camera's `size` at (x, y) covers, in
// the camera's own coordinates.
cv::Rect insidePanorama(int x, int y, cv::Size size, int W, int H) {
    return cv::Rect(0, 0, size.width, size.height) & cv::Rect(-x, -y, W, H);
}

// Non-zero where `sees` sees, as one byte per pixel (the alpha of a layer).
cv::Mat sightMask(const cv::Mat& sees) {
    if (sees.type() == CV_8UC1) return sees;
    cv::Mat alpha;
    cv::extractChannel(sees, alpha, 3);
    return alpha;
}

// The runs of columns holding hole pixels. Runs of fewer than `least` pixels
// are left out while a larger one remains: a few stray pixels (a position a
// layer's alpha and its map disagree on) would otherwise crowd the report.
std::vector<ColumnRange> columnRuns(const std::vector<uint32_t>& perColumn, uint64_t least) {
    std::vector<ColumnRange> runs;
    std::vector<uint64_t> sums;
    for (int x = 0; x < static_cast<int>(perColumn.size()); ++x) {
        const uint32_t n = perColumn[static_cast<size_t>(x)];
        if (!n) continue;
        if (!runs.empty() && runs.back().to == x - 1) {
            runs.back().to = x;
            sums.back() += n;
        } else {
            runs.push_back({x, x});
            sums.push_back(n);
        }
    }
    if (std::none_of(sums.begin(), sums.end(), [least](uint64_t n) { return n >= least; }))
        return runs;
    std::vector<ColumnRange> large;
    for (size_t i = 0; i < runs.size(); ++i)
        if (sums[i] >= least) large.push_back(runs[i]);
    return large;
}

// Sets the bytes of `row` (W bytes, 0 on entry) to 255 where the tables show a
// camera in panorama row y.
using CoveredRow = std::function<void(int y, uint8_t* row)>;

// One pass over the rows of the band: the seen pixels without weight, and how
// many of them lie deeper than the fringe. `holes` (band rows x W), when
// given, receives each pixel's class without its weight: 0, kFringe or
// kDeepHole.
void findHoles(const SeenArea& seen, const CoveredRow& fill, cv::Mat* holes, uint64_t* uncovered,
               uint64_t* deep) {
    const cv::Rect band = seen.band();
    const int W = seen.width();
    std::atomic<uint64_t> none{0}, inside{0};
    cv::parallel_for_(cv::Range(band.y, band.y + band.height), [&](const cv::Range& rows) {
        std::vector<uint8_t> covered(static_cast<size_t>(W));
        std::vector<uint8_t> scratch(holes ? 0 : static_cast<size_t>(W));
        const int from = band.x, to = band.x + band.width;
        uint64_t stripeNone = 0, stripeInside = 0;
        for (int y = rows.start; y < rows.end; ++y) {
            std::fill(covered.begin() + from, covered.begin() + to, 0);
            fill(y, covered.data());
            const uint8_t* __restrict cls = seen.depth().ptr<uint8_t>(y);
            const uint8_t* __restrict c = covered.data();
            uint8_t* __restrict h = holes ? holes->ptr<uint8_t>(y - band.y) : scratch.data();
            // Branch-free so that it vectorizes.
            uint32_t rowNone = 0, rowInside = 0;
            for (int x = from; x < to; ++x) {
                const uint8_t v = static_cast<uint8_t>(cls[x] & ~c[x]);
                h[x] = v;
                rowNone += v & kFringe;
                rowInside += v >> 1;
            }
            stripeNone += rowNone;
            stripeInside += rowInside;
        }
        none += stripeNone;
        inside += stripeInside;
    });
    *uncovered = none;
    *deep = inside;
}

CoverageReport compare(const SeenArea& seen, const CoveredRow& fill) {
    CoverageReport report;
    report.seen = seen.pixels();
    const cv::Rect band = seen.band();
    if (band.empty()) return report;
    findHoles(seen, fill, nullptr, &report.uncovered, &report.holes);
    if (!report.holes) return report;

    // The pass again, keeping every pixel's class: only a table with holes
    // pays for the mask.
    const int W = seen.width();
    cv::Mat holes = cv::Mat::zeros(band.height, W, CV_8U);
    findHoles(seen, fill, &holes, &report.uncovered, &report.holes);
    // Where the holes are: their columns with the rows they span, and who sees them.
    std::vector<uint32_t> perColumn(static_cast<size_t>(W), 0);
    std::vector<int> top(static_cast<size_t>(W), band.height), bottom(static_cast<size_t>(W), -1);
    for (int r = 0; r < band.height; ++r) {
        const uint8_t* h = holes.ptr<uint8_t>(r);
        for (int x = 0; x < W; ++x) {
            if (h[x] != kDeepHole) continue;
            ++perColumn[static_cast<size_t>(x)];
            top[static_cast<size_t>(x)] = std::min(top[static_cast<size_t>(x)], r);
            bottom[static_cast<size_t>(x)] = r;
        }
    }
    const uint64_t least = static_cast<uint64_t>(seen.fringe()) * seen.fringe();
    for (const ColumnRange& run : columnRuns(perColumn, least)) {
        int y0 = band.height, y1 = -1;
        for (int x = run.from; x <= run.to; ++x) {
            y0 = std::min(y0, top[static_cast<size_t>(x)]);
            y1 = std::max(y1, bottom[static_cast<size_t>(x)]);
        }
        report.areas.emplace_back(run.from, band.y + y0, run.to - run.from + 1, y1 - y0 + 1);
    }
    for (size_t c = 0; c < seen.cameras().size(); ++c) {
        const CameraSight& cam = seen.cameras()[c];
        const cv::Rect box = seen.sightBoxes()[c];
        if (box.empty()) continue;
        const cv::Mat mask = sightMask(cam.sees);
        std::vector<uint32_t> mine(static_cast<size_t>(W), 0);
        CameraHoles part;
        part.camera = static_cast<int>(c);
        for (int r = box.y; r < box.y + box.height; ++r) {
            const int y = cam.offsetY + r - band.y;
            if (y < 0 || y >= band.height) continue;
            const uint8_t* m = mask.ptr<uint8_t>(r);
            const uint8_t* h = holes.ptr<uint8_t>(y);
            for (int k = box.x; k < box.x + box.width; ++k) {
                const int x = cam.offsetX + k;
                if (!m[k] || h[x] != kDeepHole) continue;
                ++mine[static_cast<size_t>(x)];
                ++part.pixels;
            }
        }
        if (part.pixels < least) continue;
        part.columns = columnRuns(mine, least);
        report.cameras.push_back(std::move(part));
    }
    return report;
}

bool takesPart(const Camara& cam) {
    return missingInputs(cam).empty() && cam.image.type() == CV_8UC4 &&
           cam.displayImage.type() == CV_8UC4 && cam.displayImage.size() == cam.image.size();
}

}  // namespace

SeenArea::SeenArea(int W, int H, std::vector<CameraSight> cameras)
    : cameras_(std::move(cameras)), fringe_(std::max(2, H / 100)) {
    cv::Mat seen = cv::Mat::zeros(std::max(H, 0), std::max(W, 0), CV_8U);
    for (const CameraSight& cam : cameras_) {
        const cv::Rect part = cam.sees.empty()
                                  ? cv::Rect()
                                  : insidePanorama(cam.offsetX, cam.offsetY, cam.sees.size(), W, H);
        if (part.empty()) {
            boxes_.emplace_back();
            continue;
        }
        const cv::Mat mask = sightMask(cam.sees)(part) != 0;
        boxes_.push_back(cv::boundingRect(mask) + part.tl());
        cv::Mat target = seen(part + cv::Point(cam.offsetX, cam.offsetY));
        target |= mask;
    }
    size_ = seen.size();
    pixels_ = static_cast<uint64_t>(cv::countNonZero(seen));
    band_ = pixels_ ? cv::boundingRect(seen) : cv::Rect();
    if (band_.empty()) {
        depth_ = seen;
        return;
    }
    // A pixel is deep when every pixel within the fringe is seen. The panorama
    // goes round: its sides are padded with the columns of the other side, so
    // a hole at the seam of a full ring is no fringe; above its first row and
    // below its last one nothing is seen.
    depth_ = seen & kFringe;
    const int k = std::min(fringe_, W);
    const cv::Range rows(std::max(band_.y - k, 0), std::min(band_.y + band_.height + k, H));
    cv::Mat wrapped, deep;
    cv::copyMakeBorder(seen.rowRange(rows), wrapped, 0, 0, k, k, cv::BORDER_WRAP);
    cv::erode(wrapped, deep,
              cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * fringe_ + 1, 2 * fringe_ + 1)),
              cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::Scalar(0));
    cv::Mat target = depth_.rowRange(rows);
    target |= deep.colRange(k, k + W) & kHole;
}

CoverageReport measureCoverage(const SeenArea& seen, const cv::Mat& covered) {
    CV_Assert(covered.type() == CV_8UC1 && covered.rows == seen.height() &&
              covered.cols == seen.width());
    return compare(seen, [&covered](int y, uint8_t* row) {
        const uint8_t* c = covered.ptr<uint8_t>(y);
        for (int x = 0; x < covered.cols; ++x) row[x] = c[x] ? 255 : 0;
    });
}

SeenArea seenArea(const Project& project) {
    std::vector<CameraSight> sights;
    for (const Camara& cam : project.cameras) {
        CameraSight s{cam.offsetX, cam.offsetY, cv::Mat()};
        if (takesPart(cam)) s.sees = cam.image;
        sights.push_back(s);
    }
    return SeenArea(project.panoWidth, project.panoHeight, std::move(sights));
}

bool describes(const SeenArea& seen, const Project& project) {
    if (seen.width() != project.panoWidth || seen.height() != project.panoHeight ||
        seen.cameras().size() != project.cameras.size())
        return false;
    for (size_t i = 0; i < project.cameras.size(); ++i) {
        const Camara& cam = project.cameras[i];
        const CameraSight& s = seen.cameras()[i];
        if (takesPart(cam) != !s.sees.empty()) return false;
        if (!s.sees.empty() &&
            (s.sees.data != cam.image.data || s.sees.size() != cam.image.size() ||
             s.offsetX != cam.offsetX || s.offsetY != cam.offsetY))
            return false;
    }
    return true;
}

CoverageReport measureCoverage(const Project& project, const SeenArea& seen) {
    // Per camera that takes part: its weights and which of its columns its
    // boundary lets into the tables; only there does it get entries.
    struct Weights {
        const Camara* cam;
        cv::Rect box;
        std::vector<uint8_t> inside;
    };
    std::vector<Weights> cameras;
    const size_t n = std::min(project.cameras.size(), seen.cameras().size());
    for (size_t i = 0; i < n; ++i) {
        const Camara& cam = project.cameras[i];
        if (seen.cameras()[i].sees.empty() || !takesPart(cam)) continue;
        cameras.push_back({&cam, seen.sightBoxes()[i],
                           BoundaryColumns(cam.imgBdy, cam.displayImage.cols).inside});
        for (uint8_t& in : cameras.back().inside) in = in ? 255 : 0;
    }
    return compare(seen, [&cameras](int y, uint8_t* row) {
        for (const Weights& w : cameras) {
            const int r = y - w.cam->offsetY;
            if (r < w.box.y || r >= w.box.y + w.box.height) continue;
            const uint32_t* __restrict px = w.cam->displayImage.ptr<uint32_t>(r);
            const uint8_t* __restrict in = w.inside.data();
            uint8_t* __restrict out = row + w.cam->offsetX;
            const int from = w.box.x, to = w.box.x + w.box.width;
            for (int k = from; k < to; ++k)
                out[k] |= static_cast<uint8_t>(-static_cast<int>((px[k] >> 24) != 0)) & in[k];
        }
    });
}

CoverageReport measureCoverage(const Project& project) {
    return measureCoverage(project, seenArea(project));
}

const CoverageReport& CoverageCheck::check(const Project& project) {
    if (!describes(seen_, project)) seen_ = seenArea(project);
    last_ = measureCoverage(project, seen_);
    return last_;
}

void CoverageCheck::reset() {
    seen_ = SeenArea();
    last_ = CoverageReport();
}
