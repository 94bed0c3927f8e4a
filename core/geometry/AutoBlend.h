// Automatic seam placement between overlapping cameras.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "geometry/Feather.h"
#include "project/LoadReport.h"
#include "project/Project.h"

class Project;

// Fade width in pixels of the automatic seams, in the window and the command line.
constexpr int kAutoFadeWidth = 30;

// One automatic seam of a camera.
struct BlendEdge {
    int column = 0;  // in the camera's own image columns
    int kind = 0;    // 1: the camera's region starts here, 0: it ends here
    int width = 0;   // fade width in pixels, 0 = hard edge
};

// The working table of autoBlend: per camera index, the seams found between every
// pair of overlapping cameras, in the order they were found. Reads rawBdy,
// offsetX, drawOrder and panoWidth; changes nothing.
std::vector<std::vector<BlendEdge>> autoSeams(const Project& project, int fadeWidth);

// What autoBlend came to, handed back as a value in the shape of ExportResult.
struct AutoBlendResult {
    enum class Status {
        Placed,  // every camera has its seams (or nothing is loaded)
        Failed,  // some camera would not have one seam on each side: none was changed
    };
    Status status = Status::Placed;
    // For Failed: every camera without its seams, and why (no usable
    // boundary, no overlap at all, or more than one neighbour on a side).
    std::vector<CameraProblem> failures;

    bool ok() const { return status == Status::Placed; }
};

// Places seams between every overlapping pair of `project`'s cameras (upper camera in the
// drawing order fades over `fadeWidth` pixels, the lower one is cut hard) and
// writes each camera's imgBdy and displayImage through applyAutoBoundary,
// marking its texture stale; in the project's content seam mode the seams
// then follow the cameras' agreement per row (AutoContentSeams.h). A side of
// a camera's run that overlaps no other camera (an end of a panorama that
// does not close the circle) keeps its raw edge, hard. All or nothing: when
// some camera does not end up with one seam on each side, no camera is
// changed. Never prints, repaints or shows a message: the caller does that.
AutoBlendResult autoBlend(Project& project, int fadeWidth);

// Whether `entry` of camera `camera` is a side that autoBlend keeps as it is:
// the camera's own raw edge, hard, at a column no other camera's run covers
// (an end of a panorama that does not close the circle). Such a side has no
// neighbour, so no seam, middle or content, is placed there.
bool isOpenSide(const Project& project, int camera, const BlendEdge& entry);

// What autoCropAndFeather makes of an image `width` columns wide (prints the
// sequence error it prints).
CropPlan autoCropPlan(int width, BoundaryEdge first, int firstWidth, BoundaryEdge second,
                      int secondWidth);

// dst = `image` (CV_8UC4) kept between the two given edges (inclusive bounds),
// the rest cleared, each edge feathered with its own width. An empty or
// non-BGRA image changes nothing.
void autoCropAndFeather(const cv::Mat& image, cv::Mat& displayImage, BoundaryEdge first,
                        int firstWidth, BoundaryEdge second, int secondWidth);
