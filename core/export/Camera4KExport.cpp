#include "export/Camera4KExport.h"

#include <cstdio>
#include <string>

#include "export/BlendTable4K.h"
#include "export/DeviceTableExport.h"
#include "export/LittleEndianWriter.h"
#include "project/Project.h"
#include "system/Reporter.h"

SegmentPlan4K planSegments4K(const cv::Rect& padded, int offsetX, int offsetY) {
    SegmentPlan4K plan;
    const AlignedSpan xs = alignSpan(offsetX + padded.x - 1, padded.width, kRecordColumnAlignment);
    plan.panoX = xs.start;
    plan.width = xs.length;
    const AlignedSpan ys = alignSpan(offsetY + padded.y - 1, padded.height, kRecordRowAlignment);
    plan.panoY = ys.start;
    plan.rows = ys.length;
    plan.top = ys.before;
    plan.bottom = ys.after;
    if (plan.width <= 0 || plan.rows <= 0) return plan;

    plan.segmentMaxRows =
        (kRedressMaxValidBlockSize / plan.width) / kRecordRowAlignment * kRecordRowAlignment;
    if (plan.segmentMaxRows == 0) return plan;

    const int count = (plan.rows + plan.segmentMaxRows - 1) / plan.segmentMaxRows;
    for (int s = 0; s < count; ++s) {
        Segment4K seg;
        seg.panoY = plan.panoY + s * plan.segmentMaxRows;
        seg.rows = s == count - 1 ? plan.rows - s * plan.segmentMaxRows : plan.segmentMaxRows;
        seg.firstCameraRow = s == 0 ? padded.y - 1 : seg.panoY - offsetY;
        seg.cameraRows = seg.rows;
        if (s == 0) seg.cameraRows -= plan.top;
        if (s == count - 1) seg.cameraRows -= plan.bottom;
        plan.segments.push_back(seg);
    }
    return plan;
}

namespace {

// The segments of one region rectangle of block `block`. Returns the console
// text of a failure that stops the export, or an empty string.
std::string writeSegments(RegionRecords& r, const SourceBlock& block, const cv::Rect& rect) {
    const CameraSnapshot& cam = r.cam;
    const SegmentPlan4K plan = planSegments4K(rect, cam.offsetX, cam.offsetY);
    if (plan.segmentMaxRows == 0)
        return "segmentMaxHeight is zero, the REDRESSPIC_MAX_VALID_BLOCKSIZE is too small\r\n";
    const int c0 = rect.x - 1;
    const int c1 = rect.x + rect.width - 2;
    RedressRecord& rec = r.record;
    for (const Segment4K& seg : plan.segments) {
        // The last check before a record goes out.
        if (plan.panoX % kRecordColumnAlignment != 0 || seg.panoY % kRecordRowAlignment != 0 ||
            plan.width % kRecordColumnAlignment != 0 || seg.rows % kRecordRowAlignment != 0) {
            char text[128];
            std::snprintf(text, sizeof text,
                          "redress tile not align x:%d y:%d width:%d height:%d\r\n", plan.panoX,
                          seg.panoY, plan.width, seg.rows);
            return text;
        }
        rec.reset(plan.panoX, seg.panoY, plan.width, seg.rows, block.bx, block.by);
        bool any = false;
        for (int row = seg.firstCameraRow; row < seg.firstCameraRow + seg.cameraRows; ++row) {
            // The record starts all invalid; only valid entries are written.
            any |=
                encodeRow(cam, row, c0, c1, block.bx, block.by,
                          rec.row(row + cam.offsetY - seg.panoY) + (c0 + cam.offsetX - plan.panoX));
        }
        if (!any) continue;
        if (r.images)
            r.images->drawOutline(block.counter,
                                  cv::Rect(plan.panoX, seg.panoY, plan.width, seg.rows));
        ++r.written;
        rec.writeTo(r.out);
    }
    return std::string();
}

class Camera4KFormat final : public DeviceTableFormat {
public:
    const char* fileName() const override { return kCamera4KFileName; }
    bool panoramaDebugImages() const override { return true; }

    std::optional<ExportResult> check(const ExportSnapshot& snap,
                                      const std::string& path) const override {
        return checkBlendTable4KSize(snap.cameraCount, snap.W, snap.H, path);
    }

    std::string writeRegion(RegionRecords& r, const SourceBlock& block,
                            const cv::Rect& rect) const override {
        return writeSegments(r, block, rect);
    }

    BlendTableOutcome writeBlendTable(LittleEndianWriter& out, WeightRows& volume,
                                      const ExportSnapshot& snap) const override {
        return buildBlendTable4K(out, volume, snap.cameraCount, snap.W, snap.H, snap.drawOrder);
    }

    void reportBlendTable(const ExportSnapshot&, uint32_t records) const override {
        reportf("total count:%d\r\n", static_cast<int>(records));
        reportFlush();
    }
};

}  // namespace

ExportResult exportCamera4K(const Project& project, TableBatch* batch) {
    return exportDeviceTable(project, Camera4KFormat(), batch);
}

ExportResult exportCamera4K(const Project& project) {
    return exportCamera4K(project, nullptr);
}
