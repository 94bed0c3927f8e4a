#include "export/HoleReport.h"

#include <algorithm>
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

std::vector<HoleCause> holeCauses(const Project& project, const CoverageReport& report) {
    std::vector<HoleCause> causes;
    auto add = [&causes](HoleCause::Kind kind, int camera, bool trims) {
        for (HoleCause& c : causes)
            if (c.kind == kind) {
                c.cameras.push_back(camera);
                c.withTrims = c.withTrims || trims;
                return;
            }
        causes.push_back({kind, {camera}, trims});
    };
    for (const CameraHoles& h : report.cameras) {
        if (h.camera < 0 || h.camera >= static_cast<int>(project.cameras.size())) continue;
        const Camara& cam = project.cameras[static_cast<size_t>(h.camera)];
        const CropEffect e = manualCropEffect(cam.image, project.cutValue, cam.dirL, cam.dirR);
        // Automatic seams that could not be placed leave the crop's cuts.
        if (project.autoMode && e.edges != cam.imgBdy) {
            add(HoleCause::Kind::AutomaticSeams, h.camera, false);
            continue;
        }
        const bool trims = e.clearedColumns > 0 && trimmed(cam);
        add(e.middle               ? HoleCause::Kind::CropClearsMiddle
            : e.clearedColumns > 0 ? HoleCause::Kind::CropCutsSides
                                   : HoleCause::Kind::RowsPastCuts,
            h.camera, trims);
    }
    std::sort(causes.begin(), causes.end(),
              [](const HoleCause& a, const HoleCause& b) { return a.kind < b.kind; });
    return causes;
}

std::string holesCause(const Project& project, const CoverageReport& report) {
    std::string text;
    for (const HoleCause& c : holeCauses(project, report)) {
        const std::string crop =
            "crop " + std::to_string(project.cutValue) + (c.withTrims ? " with the trims" : "");
        const std::string who = cameraList(c.cameras);
        if (!text.empty()) text += "; ";
        switch (c.kind) {
            case HoleCause::Kind::AutomaticSeams:
                text += "the automatic seams give these pixels to no camera (" + who +
                        " see them); a different drawing order or seams set by hand can cover them";
                break;
            case HoleCause::Kind::CropClearsAll:
                text += crop + " clears all of " + who + "; 20000 keeps each camera whole";
                break;
            case HoleCause::Kind::CropClearsMiddle:
                text +=
                    crop + " clears the middle of " + who +
                    " (the cuts pass the layer's sides and wrap round); 20000 keeps each camera "
                    "whole";
                break;
            case HoleCause::Kind::CropCutsSides:
                text += crop + " cuts " + who +
                        " past the overlap with their neighbours; 20000 puts the cuts on each "
                        "camera's edges";
                break;
            case HoleCause::Kind::RowsPastCuts:
                text += who +
                        " see these pixels only in rows that reach past the cuts taken on the "
                        "middle row; a lower crop moves the cuts outward";
                break;
        }
    }
    return text;
}
