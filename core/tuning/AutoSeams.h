// Automatic seam placement between overlapping cameras: which pairs get a
// seam, where it goes, and applying the result to the project all or nothing.
#pragma once

#include <vector>

#include "geometry/AutoBlend.h"
#include "project/LoadReport.h"
#include "project/Project.h"

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
