// What the cameras see against what the tables show: the panorama pixels some
// camera sees (its layer is valid there) where no camera has weight the
// device can read. A table that leaves such pixels black inside the picture
// has holes; the front ends refuse it (command line) or warn (window).
//
// The tables may leave black a thin fringe along the outline of what the
// cameras see: the first pixel of a feathered row gets weight 0, the entries
// skip positions on a source image's first row and column, and a seam placed
// on the middle row of an overlap can miss the overlap's ends where the
// outline is curved. Pixels without weight no farther than fringe() from a
// pixel no camera sees are that fringe. A pixel without weight deeper inside
// is a hole; a table with one has holes, and its report then counts every
// pixel without weight.
//
// What the cameras see does not change with the tuning, so it is worked out
// once per rig (SeenArea); a check after a tuning change is one pass over the
// cameras' weights in the rows where something is seen.
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

#include "geometry/Feather.h"
#include "project/Project.h"

// Where one camera sees: pixel (r, c) of `sees` is panorama pixel (offsetX + c,
// offsetY + r). CV_8UC4 (a remapped layer: alpha non-zero = seen) or CV_8UC1
// (non-zero = seen). Shares the caller's pixels.
struct CameraSight {
    int offsetX = 0;
    int offsetY = 0;
    cv::Mat sees;
};

// What the cameras see in a W x H panorama (pixels outside it are ignored).
class SeenArea {
public:
    SeenArea() = default;
    // Keeps `cameras` (their pixels are shared, not copied) for the reports.
    SeenArea(int W, int H, std::vector<CameraSight> cameras);

    int width() const { return size_.width; }
    int height() const { return size_.height; }
    uint64_t pixels() const { return pixels_; }  // pixels some camera sees
    // A hundredth of the panorama's height, at least 2 pixels.
    int fringe() const { return fringe_; }
    const std::vector<CameraSight>& cameras() const { return cameras_; }
    // Per camera, the part of `sees` holding every seen pixel (empty: none),
    // and that part as a CV_8U mask, 255 where it sees.
    const std::vector<cv::Rect>& sightBoxes() const { return boxes_; }
    const std::vector<cv::Mat>& sightMasks() const { return masks_; }
    // H x W, CV_8U: 0 where no camera sees, 1 where some camera sees within
    // the fringe of the outline, 3 deeper inside (farther than the fringe from
    // every pixel no camera sees; the panorama's first and last columns are
    // neighbours, and nothing is seen above and below it).
    const cv::Mat& depth() const { return depth_; }
    // Bounding box of the seen pixels in the panorama (empty: none).
    cv::Rect band() const { return band_; }

private:
    std::vector<CameraSight> cameras_;
    std::vector<cv::Rect> boxes_;
    std::vector<cv::Mat> masks_;
    cv::Mat depth_;
    cv::Size size_;
    cv::Rect band_;
    uint64_t pixels_ = 0;
    int fringe_ = 2;
};

// The part of one camera's view that falls in holes.
struct CameraHoles {
    int camera = 0;                    // index into SeenArea::cameras()
    uint64_t pixels = 0;               // hole pixels the camera sees
    std::vector<ColumnRange> columns;  // panorama columns holding them, ascending
};

struct CoverageReport {
    uint64_t seen = 0;       // pixels some camera sees
    uint64_t uncovered = 0;  // of those, without weight: the fringe and the holes
    uint64_t holes = 0;      // of those, deeper inside than the fringe
    // Around the holes, in panorama pixels: one rectangle per run of columns
    // holding hole pixels, over the rows of those pixels; left to right. Runs
    // of fewer than fringe() squared pixels are left out beside larger ones.
    std::vector<cv::Rect> areas;
    // Every camera that sees at least fringe() squared hole pixels, in camera
    // order (its runs chosen as for `areas`).
    std::vector<CameraHoles> cameras;

    bool hasHoles() const { return holes > 0; }
    // uncovered as a percentage of seen (0 when nothing is seen).
    double uncoveredPercent() const { return seen ? 100.0 * uncovered / seen : 0.0; }
};

// `covered`: H x W, CV_8U, non-zero where the tables show some camera (it has
// weight and an entry there).
CoverageReport measureCoverage(const SeenArea& seen, const cv::Mat& covered);

// What the cameras of `project` see: camera i of the area is project camera i,
// with an empty sight when it can take part in no table (its inputs did not
// load, or its boundary does not have two edges).
SeenArea seenArea(const Project& project);
// True while `seen`, made by seenArea, still describes the project: the same
// panorama, the same layers at the same places, the same cameras taking part.
bool describes(const SeenArea& seen, const Project& project);
// Against the weights the project's cameras give now: their display images'
// alpha, inside their boundary columns.
CoverageReport measureCoverage(const Project& project, const SeenArea& seen);
// Both steps at once.
CoverageReport measureCoverage(const Project& project);

// The check as a window repeats it after every tuning change: what the
// cameras see is worked out again only when the rig changed (describes()),
// and then only the pixels whose weights may have appeared or vanished are
// looked at again: the areas each camera's refresh marked
// (Camara::coverageStale, coverageStaleAreas, which the check clears), and a
// camera's whole view when its boundary changed other than by moving two
// cropping edges. Its report equals measureCoverage(project).
class CoverageCheck {
public:
    const CoverageReport& check(Project& project);
    const CoverageReport& last() const { return last_; }
    // Lets go of the layers before a load replaces them.
    void reset();

private:
    SeenArea seen_;
    cv::Mat holes_;                   // the band's rows: each seen pixel's class without weight
    std::vector<int32_t> perColumn_;  // per panorama column, the deep ones
    std::vector<std::vector<BoundaryEdge>> boundaries_;  // per camera, as last looked at
    int64_t uncovered_ = 0, deep_ = 0;
    CoverageReport last_;
};
