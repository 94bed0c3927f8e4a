#include "export/HoleReport.h"

#include <cstdio>

#include "geometry/ManualCrop.h"
#include "project/Project.h"

namespace {

std::string percent(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%", value);
    return text;
}

std::string range(const ColumnRange& r) {
    return r.from == r.to ? std::to_string(r.from)
                          : std::to_string(r.from) + "-" + std::to_string(r.to);
}

// "1714-2125", "1429-1451 and 2389-2411", "1-2, 5-6, 9-9 and 3 more".
std::string ranges(const std::vector<ColumnRange>& columns) {
    constexpr size_t kShown = 3;
    std::string text;
    const size_t shown = std::min(columns.size(), kShown);
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0) text += i + 1 == columns.size() ? " and " : ", ";
        text += range(columns[i]);
    }
    if (columns.size() > shown) text += " and " + std::to_string(columns.size() - shown) + " more";
    return text;
}

bool trimmed(const Camara& cam) {
    return cam.dirL != 0 || cam.dirR != 0;
}

}  // namespace

std::string cameraList(const std::vector<int>& cameras) {
    std::string text = cameras.size() == 1 ? "camera " : "cameras ";
    for (size_t i = 0; i < cameras.size(); ++i) {
        if (i > 0) text += i + 1 == cameras.size() ? " and " : ", ";
        text += std::to_string(cameras[i]);
    }
    return text;
}

std::string describeHoles(const CoverageReport& report) {
    std::string text =
        percent(report.uncoveredPercent()) + " of what the cameras see has no weight (" +
        std::to_string(report.uncovered) + " of " + std::to_string(report.seen) + " pixels)";
    for (size_t i = 0; i < report.cameras.size(); ++i) {
        const CameraHoles& c = report.cameras[i];
        text += (i == 0 ? ": camera " : ", camera ") + std::to_string(c.camera) +
                (i == 0 ? " at panorama columns " : " at columns ") + ranges(c.columns);
    }
    return text;
}

std::string holesCause(const Project& project, const CoverageReport& report) {
    if (project.autoMode)
        return "the automatic seams give these pixels to no camera; a different drawing order "
               "or seams set by hand can cover them";
    // Each camera's part, judged on its middle row, where its cuts are taken.
    std::vector<int> middle, sides, rows;
    bool trims = false;
    for (const CameraHoles& h : report.cameras) {
        if (h.camera < 0 || h.camera >= static_cast<int>(project.cameras.size())) continue;
        const Camara& cam = project.cameras[static_cast<size_t>(h.camera)];
        const CropEffect e = manualCropEffect(cam.image, project.cutValue, cam.dirL, cam.dirR);
        (e.middle ? middle : e.clearedColumns > 0 ? sides : rows).push_back(h.camera);
        trims = trims || (e.clearedColumns > 0 && trimmed(cam));
    }
    const std::string by =
        "crop " + std::to_string(project.cutValue) + (trims ? " with the trims" : "");
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    if (!middle.empty())
        add(by + " clears the middle of " + cameraList(middle) +
            " (the cuts pass the layer's sides and wrap round); 20000 keeps each camera whole");
    if (!sides.empty())
        add(by + " cuts " + cameraList(sides) +
            " past the overlap with their neighbours; 20000 puts the cuts on each camera's edges");
    if (!rows.empty())
        add(cameraList(rows) +
            " see these pixels only in rows that reach past the cuts taken on the middle row; "
            "a lower crop moves the cuts outward");
    return text;
}
