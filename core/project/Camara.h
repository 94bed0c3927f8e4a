// The record of one camera of the rig: paths, maps, images, trims and the
// boundaries the recompute leaves.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "geometry/BoundaryEdge.h"
#include "geometry/IncrementalCropFeather.h"

class Camara {
public:
    Camara();
    Camara(const Camara& other) = default;
    Camara& operator=(const Camara& other) = default;
    // Non-virtual on purpose: cameras are only ever held by value.
    ~Camara() = default;

    // Per-camera manual recompute of imgBdy and displayImage from the project's
    // blend and crop values (slider units) and this camera's trims; marks what
    // changed for the texture (textureStale, textureStaleAreas). Rewrites only
    // the pixels the change reaches when displayImage still holds this camera's
    // last result.
    void refreshView(int blendValue, int cutValue);
    // Automatic-seam counterpart of refreshView: imgBdy becomes exactly the two
    // given edges (inclusive bounds), the rest is cleared, both edges feathered
    // with their own widths; marks what changed for the texture.
    void applyAutoBoundary(BoundaryEdge first, int firstWidth, BoundaryEdge second,
                           int secondWidth);
    // Content-seam counterpart: displayImage becomes `display` (computed
    // elsewhere, per row) and imgBdy `boundary`; marks the whole image changed.
    void applySeamedDisplay(const cv::Mat& display, std::vector<BoundaryEdge> boundary);

    // Local 8-bit paths (see toLocal8BitString); always set together.
    std::string sourcePath;
    std::string imagePath;
    std::string mapXPath;
    std::string mapYPath;

    cv::Mat mapX;          // CV_32FC1 x coordinate map
    cv::Mat mapY;          // CV_32FC1 y coordinate map
    cv::Mat coordMap;      // CV_32FC2: per remapped pixel, the source-image position (x, y)
    int offsetX = 0;       // panorama column of the remapped image's column 0
    int offsetY = 0;       // panorama row of the remapped image's row 0
    cv::Mat image;         // CV_8UC4 BGRA remapped image; alpha 0 = outside the valid region
    cv::Mat displayImage;  // CV_8UC4 BGRA after trim, crop and feathering; alpha = blend weight
    // The camera's input image's size as stored: all the tables need of it. The
    // image itself is read where it is shown (the device view).
    cv::Size sourceSize;
    int index = -1;  // position in Project::cameras, set when the images are loaded
    bool hidden = false;
    bool highlighted = false;
    double alpha = 1.0;                // opacity 0..1
    int dirL = 0;                      // left trim, slider value 0..60000
    int dirR = 0;                      // right trim, slider value 0..60000
    std::vector<BoundaryEdge> imgBdy;  // trimmed valid columns, normally exactly two entries
    std::vector<BoundaryEdge> rawBdy;  // untrimmed transitions along the middle row
    // displayImage changed since the preview's texture of it was last uploaded.
    // The core has no GL: the preview keeps the textures and uploads stale ones
    // with its context current.
    bool textureStale = false;
    // While textureStale is false: the only parts of displayImage (pixel
    // rectangles) that changed since the last upload, which the preview may
    // upload alone. Cleared by the upload.
    std::vector<cv::Rect> textureStaleAreas;
    // The same account for the coverage check (CoverageCheck), which clears
    // it when it has looked and cares only where a weight appeared or
    // vanished: as a whole, or only in these areas.
    bool coverageStale = true;
    std::vector<cv::Rect> coverageStaleAreas;
    // What refreshView and applyAutoBoundary last computed displayImage from.
    // Holds references to image and displayImage: code that drops those images
    // clears it too (see dropCameraInputs).
    IncrementalCropFeather displayCache;

private:
    // Adds the areas displayImage changed in to what the texture lacks, and
    // the display cache's weight changes to what the coverage check lacks.
    void markDisplayChanged(const std::vector<cv::Rect>& areas);
};
