// "Camera_4K_Project.tab": the device table of the 4K stitching device. A "J01"
// container (DeviceTableFile) whose camera sections hold segments, remap records
// aligned to the device's 16 x 2 pixel grid and using at most 16368 entries,
// followed by the run-length blend table (BlendTable4K.h).
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "export/ExportResult.h"

class Project;
class TableBatch;

constexpr const char* kCamera4KFileName = "Camera_4K_Project.tab";

// One segment of a rectangle: panorama rows [panoY, panoY + rows) and the camera
// rows it reads (the alignment margins above and below the rectangle are in the
// segment but never read).
struct Segment4K {
    int panoY = 0;           // even
    int rows = 0;            // even
    int firstCameraRow = 0;  // first camera row read
    int cameraRows = 0;      // camera rows read
};

// How one region rectangle is cut into segments.
struct SegmentPlan4K {
    int panoX = 0;   // left column, a multiple of 16
    int width = 0;   // a multiple of 16, covering the rectangle's columns
    int panoY = 0;   // top row, even
    int rows = 0;    // even, covering the rectangle's rows
    int top = 0;     // alignment rows above the rectangle (0 or 1)
    int bottom = 0;  // alignment rows below it (0 or 1)
    // Most rows of one segment, even; 0 when a single aligned row of the
    // rectangle already needs more than 16368 entries (width 8192 or more):
    // then there are no segments.
    int segmentMaxRows = 0;
    std::vector<Segment4K> segments;  // top to bottom
};

// Plans the segments of a region rectangle given in padded camera coordinates
// (as findBlockRegions returns it: camera columns x-1 .. x+w-2, rows
// y-1 .. y+h-2) for a camera placed at (offsetX, offsetY).
SegmentPlan4K planSegments4K(const cv::Rect& padded, int offsetX, int offsetY);

// Writes "Camera_4K_Project.tab" for the project (exportDeviceTable): prints a
// line per camera, the blend table's total and "Export Camera_4K_Project.tab
// OK.", then shows the completion notice.
ExportResult exportCamera4K(const Project& project);
// The same, leaving the table for `batch` to put in place (TableBatch.h).
ExportResult exportCamera4K(const Project& project, TableBatch* batch);
