// The snapshot every export starts from: the panorama size, the drawing order,
// the project folder and, per camera, what the tables are built from. The
// exports read only the snapshot, never the project, so they can run on other
// threads and never change a record.
//
// Coordinate frames used by the exporters:
//  - panorama: column x in 0..W-1, row y in 0..H-1 (the weight volume also has
//    x = W, y = H);
//  - camera: column c, row r of the camera's remapped image (its map and weights);
//    camera (c, r) sits at panorama (offsetX + c, offsetY + r);
//  - padded: camera coordinates shifted by (+1, +1), the frame of the region
//    contours and rectangles (BlockRegions.h);
//  - source: position (x, y) in the camera's input image, in pixels (float).
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

#include "export/ExportResult.h"
#include "project/Project.h"

struct CameraSnapshot {
    int offsetX = 0;  // panorama column of camera column 0
    int offsetY = 0;  // panorama row of camera row 0
    // CV_32FC2, shares the camera's coordMap: element (r, c) = source (x, y) in
    // pixels. Empty when the camera has no usable map.
    cv::Mat map;
    // CV_8UC4, shares the camera's displayImage; channel 3 is the blend weight
    // 0..255. Empty when the camera has no four-channel display image. Sharing
    // is safe: a display image is recomputed into a fresh buffer while another
    // matrix still holds the old one, so the snapshot keeps its pixels.
    cv::Mat weights;
    int sourceWidth = 0;               // the source image's columns
    int sourceHeight = 0;              // and rows
    std::vector<BoundaryEdge> imgBdy;  // copy of the camera's imgBdy
};

struct ExportSnapshot {
    int cameraCount = 0;                  // N
    int W = 0;                            // panoWidth
    int H = 0;                            // panoHeight
    std::vector<CameraSnapshot> cameras;  // camera index order, N entries
    std::vector<int> drawOrder;           // camera index per stacking position, bottom first
    std::string projectDir;               // local 8-bit, ends in "/"

    // Stacking position of `camera`: the first p with drawOrder[p] == camera, or
    // `missing` when the camera does not occur in drawOrder.
    int stackingPosition(int camera, int missing = 0) const;
    // stackingPosition of every camera, in camera index order.
    std::vector<int> stackingPositions(int missing) const;
    // projectDir + name.
    std::string outputPath(const std::string& name) const { return projectDir + name; }
};

// The stacking position of every camera 0..cameras-1 in `drawOrder` (first
// match), or `missing` for a camera that does not occur in it.
std::vector<int> stackingPositions(const std::vector<int>& drawOrder, int cameras, int missing);

// Takes the snapshot every export starts from. Returns nothing, and fills
// `stop` with a NothingToExport result, when W or H is 0 (silently: empty
// message) or when there is no camera (message "No camera to export", printed).
std::optional<ExportSnapshot> takeExportSnapshot(const Project& project, ExportResult* stop);
