// Test-only: cameras built directly in memory, without the loader or the
// remapper, for the exporters' tests.
#pragma once

#include <functional>
#include <opencv2/core.hpp>
#include <vector>

#include "project/Project.h"

namespace testsupport {

struct CameraSpec {
    int cols = 0, rows = 0;        // remapped image size
    int offsetX = 0, offsetY = 0;  // its place in the panorama
    int sourceWidth = 1920, sourceHeight = 1080;
    // Source position of remapped pixel (c, r); default: (c + 0.5, r + 0.5).
    std::function<cv::Vec2f(int c, int r)> map;
    // Blend weight (alpha) of remapped pixel (c, r); default 255.
    std::function<uint8_t(int c, int r)> alpha;
    // Default: the whole width, [(0, 1), (cols - 1, 0)].
    std::vector<BoundaryEdge> imgBdy;
};

// A camera of cols x rows at (ox, oy) with an optional map and one alpha.
inline CameraSpec cameraSpec(int cols, int rows, int ox = 0, int oy = 0,
                             std::function<cv::Vec2f(int, int)> map = nullptr,
                             uint8_t alpha = 255) {
    CameraSpec s;
    s.cols = cols;
    s.rows = rows;
    s.offsetX = ox;
    s.offsetY = oy;
    s.map = std::move(map);
    if (alpha != 255) s.alpha = [alpha](int, int) { return alpha; };
    return s;
}

inline Camara makeCamera(const CameraSpec& s) {
    Camara cam;
    cam.offsetX = s.offsetX;
    cam.offsetY = s.offsetY;
    cam.coordMap.create(s.rows, s.cols, CV_32FC2);
    cam.displayImage.create(s.rows, s.cols, CV_8UC4);
    for (int r = 0; r < s.rows; ++r)
        for (int c = 0; c < s.cols; ++c) {
            cam.coordMap.at<cv::Vec2f>(r, c) =
                s.map ? s.map(c, r)
                      : cv::Vec2f(static_cast<float>(c) + 0.5f, static_cast<float>(r) + 0.5f);
            const uint8_t a = s.alpha ? s.alpha(c, r) : 255;
            cam.displayImage.at<cv::Vec4b>(r, c) = cv::Vec4b(10, 20, 30, a);
        }
    cam.sourceSize = cv::Size(s.sourceWidth, s.sourceHeight);
    cam.imgBdy = s.imgBdy.empty() ? std::vector<BoundaryEdge>{{0, 1}, {s.cols - 1, 0}} : s.imgBdy;
    return cam;
}

// Sets the project's panorama, its cameras and drawOrder (default N-1 .. 0).
inline void setRig(Project& project, int W, int H, const std::vector<CameraSpec>& specs,
                   const std::string& projectDir, std::vector<int> drawOrder = {}) {
    project.panoWidth = W;
    project.panoHeight = H;
    project.projectDir = projectDir;
    project.cameras.clear();
    for (const CameraSpec& s : specs) project.cameras.push_back(makeCamera(s));
    project.resetDrawOrder(static_cast<int>(specs.size()));
    if (!drawOrder.empty()) project.drawOrder.assign(drawOrder.begin(), drawOrder.end());
}

}  // namespace testsupport
