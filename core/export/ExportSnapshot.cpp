#include "export/ExportSnapshot.h"

#include <algorithm>
#include <cstdio>

#include "system/Reporter.h"

namespace {
int positionIn(const std::vector<int>& drawOrder, int camera, int missing) {
    for (size_t p = 0; p < drawOrder.size(); ++p)
        if (drawOrder[p] == camera) return static_cast<int>(p);
    return missing;
}
}  // namespace

std::vector<int> stackingPositions(const std::vector<int>& drawOrder, int cameras, int missing) {
    std::vector<int> positions(static_cast<size_t>(std::max(cameras, 0)));
    for (int c = 0; c < cameras; ++c)
        positions[static_cast<size_t>(c)] = positionIn(drawOrder, c, missing);
    return positions;
}

int ExportSnapshot::stackingPosition(int camera, int missing) const {
    return positionIn(drawOrder, camera, missing);
}

std::vector<int> ExportSnapshot::stackingPositions(int missing) const {
    return ::stackingPositions(drawOrder, cameraCount, missing);
}

std::optional<ExportSnapshot> takeExportSnapshot(const Project& project, ExportResult* stop) {
    ExportResult ignored;
    ExportResult& result = stop ? *stop : ignored;
    if (project.panoWidth == 0 || project.panoHeight == 0) {
        result = ExportResult::nothing();
        return std::nullopt;
    }
    if (project.cameras.empty()) {
        // The header needs camera 0 and the blend tables divide by the count.
        reportProblemf("No camera to export\r\n");
        reportFlush();
        result = ExportResult::nothing("No camera to export");
        return std::nullopt;
    }
    ExportSnapshot s;
    s.cameraCount = static_cast<int>(project.cameras.size());
    s.W = project.panoWidth;
    s.H = project.panoHeight;
    s.drawOrder.assign(project.drawOrder.begin(), project.drawOrder.end());
    s.projectDir = project.projectDir;
    s.cameras.reserve(project.cameras.size());
    for (const Camara& cam : project.cameras) {
        CameraSnapshot c;
        c.offsetX = cam.offsetX;
        c.offsetY = cam.offsetY;
        // A camera whose inputs failed to load has no map or weights; it then
        // simply contributes nothing.
        if (cam.coordMap.type() == CV_32FC2) c.map = cam.coordMap;
        if (cam.displayImage.type() == CV_8UC4) c.weights = cam.displayImage;
        c.sourceWidth = cam.sourceSize.width;
        c.sourceHeight = cam.sourceSize.height;
        c.imgBdy = cam.imgBdy;
        s.cameras.push_back(std::move(c));
    }
    result = ExportResult::done(std::string());
    return s;
}
