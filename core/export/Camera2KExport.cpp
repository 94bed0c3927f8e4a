#include "export/Camera2KExport.h"

#include <QDir>
#include <cstdio>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "export/CameraSections.h"
#include "export/DeviceTableFile.h"
#include "export/ExportCommon.h"
#include "export/LittleEndianWriter.h"
#include "project/Project.h"

const char* const kCamera2KFileName = "Camera_2K_Project.tab";

namespace {

// The device reads output rectangles whose left edge and width are multiples
// of 16 pixels.
constexpr int kColumnAlignment = 16;
// Blend records address whole 32-bit words.
constexpr int kBlendAlignment = 4;
// Positions and sizes in the records are 16-bit, block numbers 8-bit.
constexpr int kMaxTableExtent = 0xFFFF;
constexpr int kMaxBlendBlocks = 0xFF;

struct CameraContext {
    const CameraSnapshot& cam;
    LittleEndianWriter& out;
    DebugImages& images;
    bool drawImages;        // the "pic" folder exists, so the images will be saved
    bool rowPairs;          // large panoramas start and end records on even rows
    RedressRecord& record;  // the record being built; its storage is reused
    int written = 0;        // records written for the camera
};

// Turns one region rectangle (padded camera coordinates) of one source block
// into records: the rectangle is widened to the device's column grid, cut into
// records of at most 16368 entries, and every record with at least one valid
// entry is written. False when the aligned width does not fit a single row of
// a record.
bool writeRegionRecords(CameraContext& ctx, const SourceBlock& block, const cv::Rect& rect) {
    const CameraSnapshot& cam = ctx.cam;
    const int localX = rect.x - 1;
    const int localY = rect.y - 1;
    // Added columns on the left lie before the region and are never valid;
    // columns added on the right are read like any other pixel.
    const AlignedSpan cols = alignSpan(localX + cam.offsetX, rect.width, kColumnAlignment);
    const int panoX = cols.start;
    const int w = cols.length;
    const int leftExtension = cols.before;
    int panoY = localY + cam.offsetY;
    int h = rect.height;
    if (ctx.rowPairs) {
        while (panoY % 2 != 0) {
            --panoY;
            ++h;
        }
        if (h % 2 != 0) ++h;
    }

    const int rowsPerRecord = RedressRecord::kMaxUsedEntries / w;
    if (rowsPerRecord == 0) return false;
    const int recordCount = (h + rowsPerRecord - 1) / rowsPerRecord;

    for (int s = 0; s < recordCount; ++s) {
        int rows = rowsPerRecord;
        if (s == recordCount - 1 && h % rowsPerRecord != 0) rows = h % rowsPerRecord;
        const int top = panoY + s * rowsPerRecord;  // panorama row of entry row 0
        RedressRecord& rec = ctx.record;
        rec.reset(panoX, top, w, rows, block.bx, block.by);
        bool any = false;
        for (int i = 0; i < rows; ++i) {
            // Entry column j reads camera column localX - leftExtension + j.
            any |= encodeRow(cam, top - cam.offsetY + i, localX, localX + w - leftExtension - 1,
                             block.bx, block.by, rec.row(i) + leftExtension);
        }
        if (!any) continue;
        if (ctx.drawImages)
            ctx.images.drawOutline(block.counter,
                                   cv::Rect(localX, top - cam.offsetY, rect.width, rows));
        rec.writeTo(ctx.out);
        ++ctx.written;
    }
    return true;
}

// The weights of `width` consecutive panorama pixels (`px`: their stacking
// positions, N bytes each), reordered into camera index order. `position` maps
// a camera to its stacking position; positions outside 0..N-1 give 0.
template <int kN>
void gatherWeightsFixed(const uint8_t* px, int width, const int* position, uint8_t* out) {
    for (int j = 0; j < width; ++j, px += kN, out += kN)
        for (int c = 0; c < kN; ++c) out[c] = px[position[c]];
}

void gatherWeights(const uint8_t* px, int width, int N, const std::vector<int>& position,
                   uint8_t* out) {
    bool inRange = true;
    for (int p : position) inRange = inRange && p >= 0 && p < N;
    const int* pos = position.data();
    if (inRange) {
        // Fixed camera counts let the compiler unroll the per-pixel copy.
        switch (N) {
            case 1:
                return gatherWeightsFixed<1>(px, width, pos, out);
            case 2:
                return gatherWeightsFixed<2>(px, width, pos, out);
            case 3:
                return gatherWeightsFixed<3>(px, width, pos, out);
            case 4:
                gatherPixels4(px, width, pos, out);
                return;
            case 5:
                return gatherWeightsFixed<5>(px, width, pos, out);
            case 6:
                return gatherWeightsFixed<6>(px, width, pos, out);
            case 7:
                return gatherWeightsFixed<7>(px, width, pos, out);
            case 8:
                return gatherWeightsFixed<8>(px, width, pos, out);
            default:
                break;
        }
    }
    for (int j = 0; j < width; ++j, px += N)
        for (int c = 0; c < N; ++c)
            *out++ = inRange || (pos[c] >= 0 && pos[c] < N) ? px[pos[c]] : 0;
}

struct BlendOutcome {
    uint32_t records = 0;
    bool misaligned = false;  // a block's width or first column is not a multiple of 4
    int width = 0;            // of the misaligned block
    int x0 = 0;
};

// Blend table: per panorama row, blocks of columns holding each column's
// weights in camera index order. Prints nothing; stops at a misaligned block.
BlendOutcome writeBlendTable(LittleEndianWriter& out, const ExportSnapshot& snap,
                             WeightRows& volume, const BlendPartition& blend) {
    const int N = snap.cameraCount;
    std::vector<int> position(static_cast<size_t>(N));
    for (int c = 0; c < N; ++c) position[static_cast<size_t>(c)] = snap.stackingPosition(c);
    std::vector<uint8_t> weights;
    BlendOutcome outcome;
    for (int y = 0; y < snap.H; ++y) {
        for (int b = 0; b < blend.blockCount; ++b) {
            const int x0 = blend.start(b);
            const int width = blend.width(b);
            if (width % kBlendAlignment != 0 || x0 % kBlendAlignment != 0) {
                outcome.misaligned = true;
                outcome.width = width;
                outcome.x0 = x0;
                return outcome;
            }
            weights.resize(static_cast<size_t>(width) * static_cast<size_t>(N));
            gatherWeights(volume.pixel(x0, y), width, N, position, weights.data());
            out.u16(static_cast<uint16_t>(y));
            out.u16(static_cast<uint16_t>(x0));
            out.u16(static_cast<uint16_t>(width));
            out.u8(static_cast<uint8_t>(blend.blockCount));
            out.u8(static_cast<uint8_t>(b + 1));
            out.bytes(weights.data(), weights.size());
            ++outcome.records;
        }
    }
    return outcome;
}

ExportResult writeTable(const ExportSnapshot& snap) {
    const int N = snap.cameraCount;
    const int W = snap.W;
    const int H = snap.H;
    const std::string path = snap.outputPath(kCamera2KFileName);

    // Everything that would make the table undescribable is refused before a
    // byte is written.
    if (auto bad = checkBlendCameraCount(N, path)) return *bad;
    if (W > kMaxTableExtent || H > kMaxTableExtent) {
        return failExport(path, "Panorama %d x %d too large for %s (at most %d x %d)\r\n", W, H,
                          kCamera2KFileName, kMaxTableExtent, kMaxTableExtent);
    }
    const BlendPartition blend = blendPartition(W, N);
    if (blend.blockCount > kMaxBlendBlocks) {
        return failExport(path, "Too many blend blocks per row for %s: %d (at most %d)\r\n",
                          kCamera2KFileName, blend.blockCount, kMaxBlendBlocks);
    }

    const int64_t blendBytes =
        static_cast<int64_t>(H) * (8 * static_cast<int64_t>(blend.blockCount) +
                                   static_cast<int64_t>(W) * static_cast<int64_t>(N));
    BlendTableAside<BlendOutcome> blendTable(
        snap, blendBytes, [&snap, blend](LittleEndianWriter& out, WeightRows& volume) {
            return writeBlendTable(out, snap, volume, blend);
        });

    // Rows whose first column is not fully owned by one camera, from the
    // volume's column 0 alone (the same weights as in the whole volume).
    {
        ExportSnapshot firstColumn = snap;
        firstColumn.W = 0;
        const WeightVolume column = WeightVolume::build(firstColumn);
        for (int y = 0; y < H; ++y) {
            const uint8_t* px = column.pixel(0, y);
            bool full = false;
            for (int p = 0; p < N; ++p) full = full || px[p] == 255;
            if (!full) std::printf("%d ", y);
        }
    }
    std::fflush(stdout);

    DeviceTableFile file(snap, kCamera2KFileName);
    if (ExportResult r = file.open(); !r.written()) return r;

    const bool rowPairs = W >= 3840 && H >= 1920;
    // The debug images are saved only into an existing "pic" folder; without
    // one, drawing them would be wasted work.
    const bool drawImages =
        QDir(QString::fromLocal8Bit((snap.projectDir + "pic").c_str())).exists();
    // A camera's section, built in memory on either thread; what it prints is
    // printed when it is written, in camera order.
    auto buildSection = [&snap, drawImages, rowPairs](int i) {
        const CameraSnapshot& cam = snap.cameras[static_cast<size_t>(i)];
        CameraSection s;
        s.images = std::make_unique<DebugImages>(drawImages ? cam.map.size() : cv::Size());
        const SourceBlockMap blocks = mapSourceBlocks(cam);
        const BoundaryColumns columns(cam.imgBdy, cam.map.cols);
        s.edgeCount = columns.edgeCount;
        RedressRecord record;
        s.bytes = writeToMemory(cameraSectionReserve(cam), [&](LittleEndianWriter& out) {
            CameraContext ctx{cam, out, *s.images, drawImages, rowPairs, record};
            for (const SourceBlock& block : blocks.blocks) {
                if (columns.edgeCount != 2) s.brokenBoundaryPixels += block.pixelCount;
                for (const cv::Rect& rect : findBlockRegions(
                         blocks, block, columns, drawImages ? &s.images->contours : nullptr)) {
                    if (!writeRegionRecords(ctx, block, rect)) {
                        s.failure = "Export OpMapping.tab failed.";
                        return;
                    }
                }
            }
            s.records = static_cast<uint32_t>(ctx.written);
        });
        return s;
    };
    CameraSectionPipeline sections(N, 2, buildSection);
    sections.startHelper(blendTable.job(), true);
    if (auto stop = writeCameraSections(file, sections, N, snap.projectDir, drawImages))
        return *stop;

    file.beginBlendTable();
    BlendOutcome outcome;
    if (auto stop = blendTable.writeInto(file, outcome, path)) return *stop;
    if (outcome.misaligned) {
        return failExport(path, "blend table do not 4 byte align pixlen:%d pos.x:%d\r\n",
                          outcome.width, outcome.x0);
    }
    const uint32_t blendRecords = outcome.records;
    file.endBlendTable(blendRecords);
    std::printf("total count:%d\r\n", static_cast<int>(blendRecords));
    std::printf("split count:%d    over block max size:%d\r\n", 0, H);
    std::fflush(stdout);

    return finishExport(file.finish(), kCamera2KFileName);
}

}  // namespace

ExportResult exportCamera2K(const Project& project) {
    ExportResult stop;
    std::optional<ExportSnapshot> snap = takeExportSnapshot(project, &stop);
    if (!snap) return stop;
    try {
        return writeTable(*snap);
    } catch (const std::bad_alloc&) {
        // The weight volume alone is (W + 1)(H + 1)N bytes; the half-written
        // temporary file has been removed on the way out.
        return failExport(snap->outputPath(kCamera2KFileName),
                          "Not enough memory to export %s for a %d x %d panorama with %d "
                          "cameras\r\n",
                          kCamera2KFileName, snap->W, snap->H, snap->cameraCount);
    }
}

ExportResult exportCamera2K() {
    if (const Project* project = currentProject()) return exportCamera2K(*project);
    return ExportResult::nothing();
}
