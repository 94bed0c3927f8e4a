#include "export/DeviceTableExport.h"

#include <memory>

#include "export/BlendTableAside.h"
#include "export/BlockRegions.h"
#include "export/CameraSections.h"
#include "export/DeviceTableFile.h"
#include "export/ExportDone.h"
#include "export/GuardedExport.h"
#include "export/WriteToMemory.h"

namespace {

// Camera i's section, on either thread; what it prints is kept for its turn.
CameraSection buildSection(const ExportSnapshot& snap, const DeviceTableFormat& format, int i,
                           bool drawImages) {
    const CameraSnapshot& cam = snap.cameras[static_cast<size_t>(i)];
    CameraSection s;
    if (drawImages) {
        s.images = std::make_unique<DebugImages>(
            format.panoramaDebugImages() ? cv::Size(snap.W, snap.H) : cam.map.size());
    }
    cv::Mat* contourImage = s.images ? &s.images->contours : nullptr;
    const SourceBlockMap blocks = mapSourceBlocks(cam);
    const BoundaryColumns columns(cam.imgBdy, cam.map.cols);
    s.edgeCount = columns.edgeCount;
    RedressRecord record;
    s.bytes = writeToMemory(cameraSectionReserve(cam), [&](LittleEndianWriter& out) {
        RegionRecords r{snap, cam, out, s.images.get(), record};
        for (const SourceBlock& block : blocks.blocks) {
            if (columns.edgeCount != 2) s.brokenBoundaryPixels += block.pixelCount;
            for (const cv::Rect& rect : findBlockRegions(blocks, block, columns, contourImage)) {
                s.failure = format.writeRegion(r, block, rect);
                if (!s.failure.empty()) return;
            }
        }
        s.records = r.written;
    });
    return s;
}

// With `memory` the table goes there instead of the file, and the export's
// extras are left out: debug images, progress lines, the completion notice.
ExportResult writeDeviceTable(const ExportSnapshot& snap, const std::string& path,
                              const DeviceTableFormat& format, QByteArray* memory,
                              TableBatch* batch) {
    const int N = snap.cameraCount;
    // Everything that would make the table undescribable is refused before a
    // byte is written.
    if (auto bad = checkBlendCameraCount(N, path)) return *bad;
    if (auto bad = format.check(snap, path)) return *bad;
    for (int i = 0; i < N; ++i) {
        const CameraSnapshot& cam = snap.cameras[static_cast<size_t>(i)];
        if (cam.sourceWidth > kMaxSourceWidth || cam.sourceHeight > kMaxSourceHeight)
            return failExport(path,
                              "Cannot write %s: camera %d's source image is %d x %d, the device "
                              "tables address at most %d x %d\r\n",
                              path.c_str(), i, cam.sourceWidth, cam.sourceHeight, kMaxSourceWidth,
                              kMaxSourceHeight);
    }

    BlendTableAside blendTable(snap, blendPartition(snap.W, N).rowBytes(N) * snap.H,
                               [&snap, &format](LittleEndianWriter& out, WeightRows& volume) {
                                   return format.writeBlendTable(out, volume, snap);
                               });
    if (!memory) format.preamble(snap);

    DeviceTableFile file(snap, format.fileName(), memory, batch);
    if (ExportResult r = file.open(); !r.written()) return r;

    // The debug images are saved only into an existing "pic" folder; without
    // one, drawing them would be wasted work.
    const bool drawImages = !memory && pictureFolderExists(snap.projectDir);
    CameraSectionPipeline sections(N, 2, [&snap, &format, drawImages](int i) {
        return buildSection(snap, format, i, drawImages);
    });
    sections.startHelper(blendTable.job(), !(drawImages && format.panoramaDebugImages()));
    if (auto stop = writeCameraSections(file, sections, N, snap.projectDir, drawImages, !memory))
        return *stop;

    file.beginBlendTable();
    BlendTableOutcome blend;
    if (auto stop = blendTable.writeInto(file, blend, path)) return *stop;
    if (blend.misaligned) return blendTableMisaligned(blend, path);
    file.endBlendTable(blend.records);
    if (memory) return file.finish();
    format.reportBlendTable(snap, blend.records);

    return finishExport(file.finish(), format.fileName());
}

}  // namespace

ExportResult exportDeviceTable(const Project& project, const DeviceTableFormat& format,
                               TableBatch* batch) {
    return runGuardedExport(project, format.fileName(),
                            [&format, batch](const ExportSnapshot& snap, const std::string& path) {
                                return writeDeviceTable(snap, path, format, nullptr, batch);
                            });
}

ExportResult buildDeviceTable(const Project& project, const DeviceTableFormat& format,
                              QByteArray& table) {
    table.clear();
    return runGuardedExport(project, format.fileName(),
                            [&format, &table](const ExportSnapshot& snap, const std::string& path) {
                                return writeDeviceTable(snap, path, format, &table, nullptr);
                            });
}
