#include "export/Camera2KExport.h"

#include <cstdio>
#include <vector>

#include "export/CameraWeightGather.h"
#include "export/DeviceTableExport.h"
#include "export/DeviceTableLayout.h"
#include "export/LittleEndianWriter.h"
#include "project/Project.h"
#include "system/Reporter.h"

namespace {

using device_table::kMaxPanoramaExtent;
// Block numbers are 8-bit.
constexpr int kMaxBlendBlocks = 0xFF;

// Turns one region rectangle (padded camera coordinates) of one source block
// into records: the rectangle is widened to the device's column grid, cut into
// records of at most 16368 entries, and every record with at least one valid
// entry is written. False when the aligned width does not fit a single row of
// a record.
bool writeRegionRecords(RegionRecords& r, const SourceBlock& block, const cv::Rect& rect) {
    const CameraSnapshot& cam = r.cam;
    const int localX = rect.x - 1;
    const int localY = rect.y - 1;
    // Added columns on the left lie before the region and are never valid;
    // columns added on the right are read like any other pixel.
    const AlignedSpan cols = alignSpan(localX + cam.offsetX, rect.width, kRecordColumnAlignment);
    const int panoX = cols.start;
    const int w = cols.length;
    const int leftExtension = cols.before;
    // Large panoramas start and end rectangles on even rows.
    const bool rowPairs = r.snap.W >= 3840 && r.snap.H >= 1920;
    const AlignedSpan ys =
        alignSpan(localY + cam.offsetY, rect.height, rowPairs ? kRecordRowAlignment : 1);
    const int panoY = ys.start;
    const int h = ys.length;

    const int rowsPerRecord = kRedressMaxValidBlockSize / w;
    if (rowsPerRecord == 0) return false;
    const int recordCount = (h + rowsPerRecord - 1) / rowsPerRecord;

    for (int s = 0; s < recordCount; ++s) {
        int rows = rowsPerRecord;
        if (s == recordCount - 1 && h % rowsPerRecord != 0) rows = h % rowsPerRecord;
        const int top = panoY + s * rowsPerRecord;  // panorama row of entry row 0
        RedressRecord& rec = r.record;
        rec.reset(panoX, top, w, rows, block.bx, block.by);
        bool any = false;
        for (int i = 0; i < rows; ++i) {
            // Entry column j reads camera column localX - leftExtension + j.
            any |= encodeRow(cam, top - cam.offsetY + i, localX, localX + w - leftExtension - 1,
                             block.bx, block.by, rec.row(i) + leftExtension);
        }
        if (!any) continue;
        if (r.images)
            r.images->drawOutline(block.counter,
                                  cv::Rect(localX, top - cam.offsetY, rect.width, rows));
        rec.writeTo(r.out);
        ++r.written;
    }
    return true;
}

// Blend table: per panorama row, blocks of columns holding each column's
// weights in camera index order. Prints nothing; stops at a misaligned block.
BlendTableOutcome writeBlendTable2K(LittleEndianWriter& out, const ExportSnapshot& snap,
                                    WeightRows& volume) {
    const int N = snap.cameraCount;
    const BlendPartition blend = blendPartition(snap.W, N);
    // A camera missing from drawOrder reads position 0.
    const std::vector<int> position = snap.stackingPositions(0);
    std::vector<uint8_t> weights;
    std::vector<uint8_t> seen(static_cast<size_t>(N));
    BlendTableOutcome outcome;
    for (int y = 0; y < snap.H; ++y) {
        for (int b = 0; b < blend.blockCount; ++b) {
            const int x0 = blend.start(b);
            const int width = blend.width(b);
            if (!blend.aligned(b)) {
                outcome.misaligned = true;
                outcome.width = width;
                outcome.x = x0;
                return outcome;
            }
            weights.resize(static_cast<size_t>(width) * static_cast<size_t>(N));
            gatherCameraWeights(volume.pixel(x0, y), width, N, position.data(), weights.data(),
                                seen.data());
            BlendRecordHeader header;
            header.rowField = static_cast<uint16_t>(y);
            header.x = static_cast<uint16_t>(x0);
            header.width = static_cast<uint16_t>(width);
            header.byte6 = static_cast<uint8_t>(blend.blockCount);
            header.byte7 = static_cast<uint8_t>(b + 1);
            header.writeTo(out);
            out.bytes(weights.data(), weights.size());
            ++outcome.records;
        }
    }
    return outcome;
}

}  // namespace

std::string camera2KSizeProblem(int N, int W, int H) {
    char text[160];
    if (W > kMaxPanoramaExtent || H > kMaxPanoramaExtent) {
        std::snprintf(text, sizeof text, "Panorama %d x %d too large for %s (at most %d x %d)", W,
                      H, kCamera2KFileName, kMaxPanoramaExtent, kMaxPanoramaExtent);
        return text;
    }
    const BlendPartition blend = blendPartition(W, N);
    if (blend.blockCount > kMaxBlendBlocks) {
        std::snprintf(text, sizeof text, "Too many blend blocks per row for %s: %d (at most %d)",
                      kCamera2KFileName, blend.blockCount, kMaxBlendBlocks);
        return text;
    }
    return std::string();
}

namespace {

class Camera2KFormat final : public DeviceTableFormat {
public:
    const char* fileName() const override { return kCamera2KFileName; }
    bool panoramaDebugImages() const override { return false; }

    std::optional<ExportResult> check(const ExportSnapshot& snap,
                                      const std::string& path) const override {
        const std::string problem = camera2KSizeProblem(snap.cameraCount, snap.W, snap.H);
        if (problem.empty()) return std::nullopt;
        return failExport(path, "%s\r\n", problem.c_str());
    }

    // Rows whose first column is not fully owned by one camera, from the
    // volume's column 0 alone (the same weights as in the whole volume).
    void preamble(const ExportSnapshot& snap) const override {
        ExportSnapshot firstColumn = snap;
        firstColumn.W = 0;
        const WeightVolume column = WeightVolume::build(firstColumn);
        for (int y = 0; y < snap.H; ++y) {
            const uint8_t* px = column.pixel(0, y);
            bool full = false;
            for (int p = 0; p < snap.cameraCount; ++p) full = full || px[p] == 255;
            if (!full) reportf("%d ", y);
        }
        reportFlush();
    }

    std::string writeRegion(RegionRecords& r, const SourceBlock& block,
                            const cv::Rect& rect) const override {
        return writeRegionRecords(r, block, rect) ? std::string() : "Export OpMapping.tab failed.";
    }

    BlendTableOutcome writeBlendTable(LittleEndianWriter& out, WeightRows& volume,
                                      const ExportSnapshot& snap) const override {
        return writeBlendTable2K(out, snap, volume);
    }

    void reportBlendTable(const ExportSnapshot& snap, uint32_t records) const override {
        reportf("total count:%d\r\n", static_cast<int>(records));
        reportf("split count:%d    over block max size:%d\r\n", 0, snap.H);
        reportFlush();
    }
};

}  // namespace

ExportResult exportCamera2K(const Project& project, TableBatch* batch) {
    return exportDeviceTable(project, Camera2KFormat(), batch);
}

ExportResult exportCamera2K(const Project& project) {
    return exportCamera2K(project, nullptr);
}

ExportResult buildCamera2KTable(const Project& project, QByteArray& table) {
    return buildDeviceTable(project, Camera2KFormat(), table);
}
