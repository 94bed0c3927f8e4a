#include "export/PanoramaCoverage.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
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

// Sets row[x] to 255 for the panorama columns from <= x < to of row y where the
// tables show a camera (row holds W bytes, 0 on entry in that range).
using CoveredRow = std::function<void(int y, int from, int to, uint8_t* row)>;

// Classifies the seen pixels of `areas` (panorama rectangles; only their part
// inside the band counts) anew: each one's class without weight (0, kFringe
// or kDeepHole) goes to `holes` (band rows x W), and what changed against the
// classes there before is added to the two counts and to the per-column
// count of deep ones (W entries). On zeroed `holes` and the whole band this is
// the first pass. Rows are shared out, not rectangles, so that many small
// areas cost one pass over their rows.
void classify(const SeenArea& seen, const CoveredRow& fill, const std::vector<cv::Rect>& areas,
              cv::Mat& holes, int64_t* uncovered, int64_t* deep, std::vector<int32_t>& perColumn) {
    const cv::Rect band = seen.band();
    std::vector<std::vector<ColumnRange>> rowParts(static_cast<size_t>(band.height));
    for (const cv::Rect& a : areas) {
        const cv::Rect part = a & band;
        for (int y = part.y; y < part.y + part.height; ++y)
            rowParts[static_cast<size_t>(y - band.y)].push_back({part.x, part.br().x - 1});
    }
    std::vector<int> rows;
    for (int r = 0; r < band.height; ++r) {
        std::vector<ColumnRange>& parts = rowParts[static_cast<size_t>(r)];
        if (parts.empty()) continue;
        std::sort(parts.begin(), parts.end(),
                  [](const ColumnRange& p, const ColumnRange& q) { return p.from < q.from; });
        size_t kept = 0;
        for (const ColumnRange& p : parts)
            if (kept > 0 && p.from <= parts[kept - 1].to + 1)
                parts[kept - 1].to = std::max(parts[kept - 1].to, p.to);
            else
                parts[kept++] = p;
        parts.resize(kept);
        rows.push_back(r);
    }
    const int W = seen.width();
    std::atomic<int64_t> none{0}, inside{0};
    std::mutex merging;
    cv::parallel_for_(cv::Range(0, static_cast<int>(rows.size())), [&](const cv::Range& range) {
        std::vector<uint8_t> covered(static_cast<size_t>(W));
        std::vector<int32_t> columns(static_cast<size_t>(W), 0);
        int64_t stripeNone = 0, stripeInside = 0;
        for (int i = range.start; i < range.end; ++i) {
            const int r = rows[static_cast<size_t>(i)];
            const int y = band.y + r;
            const uint8_t* __restrict cls = seen.depth().ptr<uint8_t>(y);
            const uint8_t* __restrict c = covered.data();
            uint8_t* __restrict h = holes.ptr<uint8_t>(r);
            int32_t* __restrict n = columns.data();
            for (const ColumnRange& part : rowParts[static_cast<size_t>(r)]) {
                const int from = part.from, to = part.to + 1;
                std::fill(covered.begin() + from, covered.begin() + to, 0);
                fill(y, from, to, covered.data());
                // Branch-free so that it vectorizes.
                int32_t rowNone = 0, rowInside = 0;
                for (int x = from; x < to; ++x) {
                    const uint8_t v = static_cast<uint8_t>(cls[x] & ~c[x]);
                    const int32_t deeper = (v >> 1) - (h[x] >> 1);
                    rowNone += (v & kFringe) - (h[x] & kFringe);
                    rowInside += deeper;
                    n[x] += deeper;
                    h[x] = v;
                }
                stripeNone += rowNone;
                stripeInside += rowInside;
            }
        }
        none += stripeNone;
        inside += stripeInside;
        if (!stripeInside &&
            std::none_of(columns.begin(), columns.end(), [](int32_t d) { return d; }))
            return;
        const std::lock_guard<std::mutex> lock(merging);
        for (int x = 0; x < W; ++x)
            perColumn[static_cast<size_t>(x)] += columns[static_cast<size_t>(x)];
    });
    *uncovered += none;
    *deep += inside;
}

// The first and last row of `holes` holding a hole pixel in columns from..to.
std::pair<int, int> holeRows(const cv::Mat& holes, int from, int to) {
    auto any = [&](int r) {
        const uint8_t* h = holes.ptr<uint8_t>(r);
        return std::any_of(h + from, h + to + 1, [](uint8_t v) { return v == kDeepHole; });
    };
    int first = 0, last = holes.rows - 1;
    while (first < last && !any(first)) ++first;
    while (last > first && !any(last)) --last;
    return {first, last};
}

// Where the holes of `holes` are (`deepPerColumn` of them in each column):
// their columns with the rows they span, and who sees them; only the columns
// holding hole pixels are looked at again.
void locate(const SeenArea& seen, const cv::Mat& holes, const std::vector<int32_t>& deepPerColumn,
            CoverageReport& report) {
    const cv::Rect band = seen.band();
    const int W = seen.width();
    const std::vector<uint32_t> perColumn(deepPerColumn.begin(), deepPerColumn.end());
    const uint64_t least = static_cast<uint64_t>(seen.fringe()) * seen.fringe();
    for (const ColumnRange& run : columnRuns(perColumn, least)) {
        const auto [y0, y1] = holeRows(holes, run.from, run.to);
        report.areas.emplace_back(run.from, band.y + y0, run.to - run.from + 1, y1 - y0 + 1);
    }
    const std::vector<ColumnRange> anyHole = columnRuns(perColumn, 0);
    for (size_t c = 0; c < seen.cameras().size(); ++c) {
        const CameraSight& cam = seen.cameras()[c];
        const cv::Rect box = seen.sightBoxes()[c];
        if (box.empty()) continue;
        const cv::Mat& mask = seen.sightMasks()[c];
        std::vector<uint32_t> mine(static_cast<size_t>(W), 0);
        CameraHoles part;
        part.camera = static_cast<int>(c);
        const int left = cam.offsetX + box.x, right = left + box.width - 1;
        for (const ColumnRange& run : anyHole) {
            const int from = std::max(run.from, left), to = std::min(run.to, right);
            for (int r = 0; r < box.height && from <= to; ++r) {
                const int y = cam.offsetY + box.y + r - band.y;
                if (y < 0 || y >= band.height) continue;
                const uint8_t* m = mask.ptr<uint8_t>(r);
                const uint8_t* h = holes.ptr<uint8_t>(y);
                for (int x = from; x <= to; ++x) {
                    const uint32_t hit = (m[x - left] & h[x] & kHole) >> 1;
                    mine[static_cast<size_t>(x)] += hit;
                    part.pixels += hit;
                }
            }
        }
        if (part.pixels < least) continue;
        part.columns = columnRuns(mine, least);
        report.cameras.push_back(std::move(part));
    }
}

// The report of a pass over the whole band.
CoverageReport compare(const SeenArea& seen, const CoveredRow& fill) {
    CoverageReport report;
    report.seen = seen.pixels();
    if (seen.band().empty()) return report;
    cv::Mat holes = cv::Mat::zeros(seen.band().height, seen.width(), CV_8U);
    std::vector<int32_t> perColumn(static_cast<size_t>(seen.width()), 0);
    int64_t uncovered = 0, deep = 0;
    classify(seen, fill, {seen.band()}, holes, &uncovered, &deep, perColumn);
    report.uncovered = static_cast<uint64_t>(uncovered);
    report.holes = static_cast<uint64_t>(deep);
    if (report.holes) locate(seen, holes, perColumn, report);
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
            masks_.emplace_back();
            continue;
        }
        const cv::Mat mask = sightMask(cam.sees)(part) != 0;
        const cv::Rect box = cv::boundingRect(mask);
        boxes_.push_back(box + part.tl());
        masks_.push_back(mask(box).clone());
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
    return compare(seen, [&covered](int y, int from, int to, uint8_t* row) {
        const uint8_t* c = covered.ptr<uint8_t>(y);
        for (int x = from; x < to; ++x) row[x] = c[x] ? 255 : 0;
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

namespace {

// What the project's cameras show: per camera that takes part its weights
// and which of its columns its boundary lets into the tables (only there
// does it get entries), as a CoveredRow.
class ProjectCover {
public:
    ProjectCover(const Project& project, const SeenArea& seen) {
        const size_t n = std::min(project.cameras.size(), seen.cameras().size());
        for (size_t i = 0; i < n; ++i) {
            const Camara& cam = project.cameras[i];
            if (seen.cameras()[i].sees.empty() || !takesPart(cam)) continue;
            cameras_.push_back({&cam, seen.sightBoxes()[i],
                                BoundaryColumns(cam.imgBdy, cam.displayImage.cols).inside});
            for (uint8_t& in : cameras_.back().inside) in = in ? 255 : 0;
        }
    }
    void operator()(int y, int from, int to, uint8_t* row) const {
        for (const Weights& w : cameras_) {
            const int r = y - w.cam->offsetY;
            if (r < w.box.y || r >= w.box.y + w.box.height) continue;
            const uint32_t* __restrict px = w.cam->displayImage.ptr<uint32_t>(r);
            const uint8_t* __restrict in = w.inside.data();
            uint8_t* __restrict out = row + w.cam->offsetX;
            const int k0 = std::max(w.box.x, from - w.cam->offsetX);
            const int k1 = std::min(w.box.x + w.box.width, to - w.cam->offsetX);
            for (int k = k0; k < k1; ++k)
                out[k] |= static_cast<uint8_t>(-static_cast<int>((px[k] >> 24) != 0)) & in[k];
        }
    }

private:
    struct Weights {
        const Camara* cam;
        cv::Rect box;
        std::vector<uint8_t> inside;
    };
    std::vector<Weights> cameras_;
};

// A boundary whose two edges crop: a start and an end on different columns.
// Between two of those only the cleared columns change which columns count as
// inside, and clearing shows in the weights; anything else may let weights
// in or out of the tables where none changed.
bool crops(const std::vector<BoundaryEdge>& bdy) {
    return bdy.size() == 2 && bdy[0].column != bdy[1].column && bdy[0].kind != bdy[1].kind;
}

}  // namespace

CoverageReport measureCoverage(const Project& project, const SeenArea& seen) {
    return compare(seen, ProjectCover(project, seen));
}

CoverageReport measureCoverage(const Project& project) {
    return measureCoverage(project, seenArea(project));
}

const CoverageReport& CoverageCheck::check(Project& project) {
    std::vector<cv::Rect> redo;  // panorama pixels whose weights may have changed
    if (!describes(seen_, project)) {
        seen_ = seenArea(project);
        holes_ = cv::Mat::zeros(seen_.band().height, seen_.width(), CV_8U);
        perColumn_.assign(static_cast<size_t>(seen_.width()), 0);
        uncovered_ = deep_ = 0;
        redo.push_back(seen_.band());
        boundaries_.assign(project.cameras.size(), {});
        for (size_t i = 0; i < project.cameras.size(); ++i)
            boundaries_[i] = project.cameras[i].imgBdy;
    } else {
        for (size_t i = 0; i < project.cameras.size(); ++i) {
            const Camara& cam = project.cameras[i];
            const cv::Rect box = seen_.sightBoxes()[i];
            if (box.empty()) continue;
            const cv::Point at(cam.offsetX, cam.offsetY);
            if (cam.coverageStale) {
                redo.push_back(box + at);
            } else {
                for (const cv::Rect& r : cam.coverageStaleAreas) redo.push_back(r + at);
            }
            if (cam.imgBdy != boundaries_[i] && !(crops(cam.imgBdy) && crops(boundaries_[i])))
                redo.push_back(box + at);
            boundaries_[i] = cam.imgBdy;
        }
    }
    for (Camara& cam : project.cameras) {
        cam.coverageStale = false;
        cam.coverageStaleAreas.clear();
    }
    // Most steps of the blend slider move ramps without making or taking any
    // weight: nothing to look at, and the report stands.
    if (redo.empty()) return last_;
    classify(seen_, ProjectCover(project, seen_), redo, holes_, &uncovered_, &deep_, perColumn_);
    last_ = CoverageReport();
    last_.seen = seen_.pixels();
    last_.uncovered = static_cast<uint64_t>(uncovered_);
    last_.holes = static_cast<uint64_t>(deep_);
    if (last_.holes) locate(seen_, holes_, perColumn_, last_);
    return last_;
}

void CoverageCheck::reset() {
    seen_ = SeenArea();
    holes_ = cv::Mat();
    perColumn_.clear();
    boundaries_.clear();
    uncovered_ = deep_ = 0;
    last_ = CoverageReport();
}
