#include "export/QuickWeaveExport.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "export/AtomicOutputFile.h"
#include "export/ExportDone.h"
#include "export/GuardedExport.h"
#include "export/LittleEndianWriter.h"
#include "export/QuickWeaveLayout.h"
#include "export/WeightVolume.h"
#include "project/Project.h"

namespace {

ExportResult writeProject(const ExportSnapshot& snap, const std::string& path, TableBatch* batch) {
    const int N = snap.cameraCount;
    AtomicOutputFile file(path, batch);
    if (ExportResult r = file.open(); !r.written()) return r;
    LittleEndianWriter& out = file.out();
    using namespace quickweave;

    std::vector<uint8_t> header(sectionsStart(snap.drawOrder.size()));
    storeU32(&header[kCameraCountAt], static_cast<uint32_t>(N));
    storeU32(&header[kWidthAt], static_cast<uint32_t>(snap.W));
    storeU32(&header[kHeightAt], static_cast<uint32_t>(snap.H));
    for (size_t p = 0; p < snap.drawOrder.size(); ++p)
        storeU32(&header[kHeaderBytes + kOrderItemBytes * p],
                 static_cast<uint32_t>(snap.drawOrder[p]));
    out.bytes(header.data(), header.size());

    const WeightVolume volume = WeightVolume::build(snap);
    std::vector<uint8_t> weights;
    std::vector<float> positions;  // one map row's normalised (x, y)
    for (int i = 0; i < N; ++i) {
        const CameraSnapshot& cam = snap.cameras[static_cast<size_t>(i)];
        const cv::Mat& map = cam.map;
        uint8_t section[kSectionHeaderBytes];
        storeU32(section + kOffsetXAt, static_cast<uint32_t>(cam.offsetX));
        storeU32(section + kOffsetYAt, static_cast<uint32_t>(cam.offsetY));
        storeU32(section + kColsAt, static_cast<uint32_t>(map.cols));
        storeU32(section + kRowsAt, static_cast<uint32_t>(map.rows));
        out.bytes(section, kSectionHeaderBytes);

        // Normalised positions are computed into the written bytes only: the
        // map is shared with the camera and must keep its pixel positions.
        // A row goes to the writer in one call: at panorama size these are
        // tens of millions of floats.
        const float sw = static_cast<float>(cam.sourceWidth);
        const float sh = static_cast<float>(cam.sourceHeight);
        positions.resize(static_cast<size_t>(map.cols) * 2);
        for (int r = 0; r < map.rows; ++r) {
            const float* row = map.ptr<float>(r);
            // A plain loop the vectorizer divides four at a time, each
            // quotient exactly as alone.
            for (int c = 0; c < map.cols; ++c) {
                positions[2 * static_cast<size_t>(c)] = row[2 * c] / sw;
                positions[2 * static_cast<size_t>(c) + 1] = row[2 * c + 1] / sh;
            }
            out.f32s(positions.data(), positions.size());
        }

        // Pixels that fall outside the panorama's (W + 1) x (H + 1) grid have no
        // weight there and are written as 0.
        const int p = snap.stackingPosition(i);
        weights.resize(static_cast<size_t>(map.cols));
        // The camera's columns on the grid, x = offsetX + c in 0 .. W.
        const int c0 = std::max(0, -cam.offsetX);
        const int c1 = std::min(map.cols, snap.W + 1 - cam.offsetX);
        for (int r = 0; r < map.rows; ++r) {
            const int y = cam.offsetY + r;
            std::fill(weights.begin(), weights.end(), uint8_t(0));
            if (y >= 0 && y <= snap.H && p >= 0 && p < N && c0 < c1) {
                const uint8_t* px = volume.pixel(cam.offsetX + c0, y) + p;
                for (int c = c0; c < c1; ++c, px += N) weights[static_cast<size_t>(c)] = *px;
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
