#include "export/QuickWeaveExport.h"

#include <cstring>
#include <vector>

#include "export/AtomicOutputFile.h"
#include "export/CameraWeightGather.h"
#include "export/ExportDone.h"
#include "export/GuardedExport.h"
#include "export/LittleEndianWriter.h"
#include "export/WeightVolume.h"
#include "project/Project.h"

const char* const kQuickWeaveFileName = "QuickWeave_Projcet.tab";

namespace {

ExportResult writeProject(const ExportSnapshot& snap, const std::string& path, TableBatch* batch) {
    const int N = snap.cameraCount;
    AtomicOutputFile file(path, batch);
    if (ExportResult r = file.open(); !r.written()) return r;
    LittleEndianWriter& out = file.out();

    out.i32(N);
    out.i32(snap.W);
    out.i32(snap.H);
    for (int camera : snap.drawOrder) out.i32(camera);

    const WeightVolume volume = WeightVolume::build(snap);
    std::vector<uint8_t> weights;
    std::vector<uint32_t> positions;  // IEEE bits of one map row's normalised (x, y)
    for (int i = 0; i < N; ++i) {
        const CameraSnapshot& cam = snap.cameras[static_cast<size_t>(i)];
        const cv::Mat& map = cam.map;
        out.i32(cam.offsetX);
        out.i32(cam.offsetY);
        out.i32(map.cols);
        out.i32(map.rows);

        // Normalised positions are computed into the written bytes only: the
        // map is shared with the camera and must keep its pixel positions.
        // A row goes to the writer in one call: at panorama size these are
        // tens of millions of floats.
        const float sw = static_cast<float>(cam.sourceWidth);
        const float sh = static_cast<float>(cam.sourceHeight);
        positions.resize(static_cast<size_t>(map.cols) * 2);
        for (int r = 0; r < map.rows; ++r) {
            const cv::Vec2f* row = map.ptr<cv::Vec2f>(r);
            for (int c = 0; c < map.cols; ++c) {
                const float xy[2] = {row[c][0] / sw, row[c][1] / sh};
                std::memcpy(&positions[static_cast<size_t>(c) * 2], xy, sizeof xy);
            }
            out.u32s(positions.data(), positions.size());
        }

        // Pixels that fall outside the panorama's (W + 1) x (H + 1) grid have no
        // weight there and are written as 0.
        const int p = snap.stackingPosition(i);
        weights.resize(static_cast<size_t>(map.cols));
        for (int r = 0; r < map.rows; ++r) {
            const int y = cam.offsetY + r;
            const bool rowInside = y >= 0 && y <= snap.H;
            for (int c = 0; c < map.cols; ++c) {
                const int x = cam.offsetX + c;
                weights[static_cast<size_t>(c)] = rowInside && x >= 0 && x <= snap.W
                                                      ? weightAtPosition(volume.pixel(x, y), p, N)
                                                      : 0;
            }
            out.bytes(weights.data(), weights.size());
        }
    }

    return finishExport(file.commit(), kQuickWeaveFileName);
}

}  // namespace

ExportResult exportQuickWeave(const Project& project, TableBatch* batch) {
    return runGuardedExport(project, kQuickWeaveFileName,
                            [batch](const ExportSnapshot& snap, const std::string& path) {
                                return writeProject(snap, path, batch);
                            });
}

ExportResult exportQuickWeave(const Project& project) {
    return exportQuickWeave(project, nullptr);
}

ExportResult exportQuickWeave() {
    if (const Project* project = currentProject()) return exportQuickWeave(*project);
    return ExportResult::nothing();
}
