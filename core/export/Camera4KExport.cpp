#include "export/Camera4KExport.h"

#include <QDir>
#include <QString>
#include <cstdio>
#include <future>
#include <memory>
#include <new>
#include <string>

#include "export/BlendTable4K.h"
#include "export/CameraSections.h"
#include "export/DeviceTableFile.h"
#include "export/LittleEndianWriter.h"
#include "project/Project.h"

SegmentPlan4K planSegments4K(const cv::Rect& padded, int offsetX, int offsetY) {
    SegmentPlan4K plan;
    const AlignedSpan xs = alignSpan(offsetX + padded.x - 1, padded.width, kSegmentAlignX);
    plan.panoX = xs.start;
    plan.width = xs.length;
    const AlignedSpan ys = alignSpan(offsetY + padded.y - 1, padded.height, kSegmentAlignY);
    plan.panoY = ys.start;
    plan.rows = ys.length;
    plan.top = ys.before;
    plan.bottom = ys.after;
    if (plan.width <= 0 || plan.rows <= 0) return plan;

    plan.segmentMaxRows = (kRedressMaxValidBlockSize / plan.width) / 2 * 2;
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

// Debug drawing is skipped when the images cannot be saved anyway: four
// panorama-sized images per camera are worth not allocating for nothing.
bool pictureFolderExists(const std::string& projectDir) {
    return QDir(QString::fromLocal8Bit((projectDir + "pic").c_str())).exists();
}

// The segments of one region rectangle of block `block`, written to `out`.
// Returns the console text of a failure that stops the export (printed by the
// caller at its turn), or an empty string.
std::string writeSegments(LittleEndianWriter& out, DebugImages& images, const CameraSnapshot& cam,
                          const SourceBlock& block, const cv::Rect& rect, RedressRecord& rec,
                          uint32_t* written) {
    const SegmentPlan4K plan = planSegments4K(rect, cam.offsetX, cam.offsetY);
    if (plan.segmentMaxRows == 0)
        return "segmentMaxHeight is zero, the REDRESSPIC_MAX_VALID_BLOCKSIZE is too small\r\n";
    const int c0 = rect.x - 1;
    const int c1 = rect.x + rect.width - 2;
    for (const Segment4K& seg : plan.segments) {
        // The last check before a record goes out.
        if (plan.panoX % kSegmentAlignX != 0 || seg.panoY % kSegmentAlignY != 0 ||
            plan.width % kSegmentAlignX != 0 || seg.rows % kSegmentAlignY != 0) {
            char text[128];
            std::snprintf(text, sizeof text,
                          "redress tile not align x:%d y:%d width:%d height:%d\r\n", plan.panoX,
                          seg.panoY, plan.width, seg.rows);
            return text;
        }
        rec.reset(plan.panoX, seg.panoY, plan.width, seg.rows, block.bx, block.by);
        bool any = false;
        for (int r = seg.firstCameraRow; r < seg.firstCameraRow + seg.cameraRows; ++r) {
            // The record starts all invalid; only valid entries are written.
            any |=
                encodeRow(cam, r, c0, c1, block.bx, block.by,
                          rec.row(r + cam.offsetY - seg.panoY) + (c0 + cam.offsetX - plan.panoX));
        }
        if (!any) continue;
        if (!images.outlines[0].empty())
            images.drawOutline(block.counter,
                               cv::Rect(plan.panoX, seg.panoY, plan.width, seg.rows));
        ++*written;
        rec.writeTo(out);
    }
    return std::string();
}

ExportResult exportSnapshot4K(const ExportSnapshot& snap, const std::string& path) {
    const int N = snap.cameraCount;
    const BlendPartition part = blendPartition(snap.W, N);
    BlendTableAside<BlendTable4KOutcome> blendTable(
        snap, blendTable4KRowBytes(part, N) * snap.H,
        [&snap, N](LittleEndianWriter& out, WeightRows& volume) {
            return buildBlendTable4K(out, volume, N, snap.W, snap.H, snap.drawOrder);
        });

    DeviceTableFile file(snap, kCamera4KFileName);
    if (ExportResult r = file.open(); !r.written()) return r;

    const bool debug = pictureFolderExists(snap.projectDir);
    // A camera's section, built in memory on either thread; what it prints is
    // printed when it is written, in camera order.
    auto buildSection = [&snap, debug](int i) {
        const CameraSnapshot& cam = snap.cameras[static_cast<size_t>(i)];
        CameraSection s;
        s.images = std::make_unique<DebugImages>(debug ? cv::Size(snap.W, snap.H) : cv::Size());
        cv::Mat* contourImage = debug ? &s.images->contours : nullptr;
        const SourceBlockMap blocks = mapSourceBlocks(cam);
        const BoundaryColumns columns(cam.imgBdy, cam.map.cols);
        s.edgeCount = columns.edgeCount;
        RedressRecord record;  // storage reused for every segment
        s.bytes = writeToMemory(cameraSectionReserve(cam), [&](LittleEndianWriter& out) {
            for (const SourceBlock& block : blocks.blocks) {
                if (columns.edgeCount != 2) s.brokenBoundaryPixels += block.pixelCount;
                for (const cv::Rect& rect :
                     findBlockRegions(blocks, block, columns, contourImage)) {
                    s.failure = writeSegments(out, *s.images, cam, block, rect, record, &s.records);
                    if (!s.failure.empty()) return;
                }
            }
        });
        return s;
    };
    // Four panorama-sized debug images per camera are large: with them, the
    // second thread builds no sections, so that at most two cameras' images
    // (one being drawn, one being saved) are held at once.
    CameraSectionPipeline sections(N, 2, buildSection);
    sections.startHelper(blendTable.job(), !debug);
    if (auto stop = writeCameraSections(file, sections, N, snap.projectDir, debug)) return *stop;

    file.beginBlendTable();
    BlendTable4KOutcome blend;
    if (auto stop = blendTable.writeInto(file, blend, path)) return *stop;
    if (blend.misaligned) return blendTable4KMisaligned(blend, path);
    std::printf("total count:%d\r\n", static_cast<int>(blend.recordCount));
    std::fflush(stdout);
    file.endBlendTable(blend.recordCount);

    return finishExport(file.finish(), kCamera4KFileName);
}

}  // namespace

ExportResult exportCamera4K(const Project& project) {
    ExportResult stop;
    std::optional<ExportSnapshot> snap = takeExportSnapshot(project, &stop);
    if (!snap) return stop;
    const std::string path = snap->outputPath(kCamera4KFileName);
    if (auto bad = checkBlendCameraCount(snap->cameraCount, path)) return *bad;
    if (auto bad = checkBlendTable4KSize(snap->cameraCount, snap->W, snap->H, path)) return *bad;
    try {
        return exportSnapshot4K(*snap, path);
    } catch (const std::bad_alloc&) {
        // Unwinding drops the unfinished file; an earlier table stays.
        return failExport(path,
                          "Cannot write %s: not enough memory for a %d x %d panorama of %d "
                          "cameras\r\n",
                          path.c_str(), snap->W, snap->H, snap->cameraCount);
    }
}

ExportResult exportCamera4K() {
    const Project* project = currentProject();
    if (!project) return ExportResult::nothing();
    return exportCamera4K(*project);
}
