// The flow both device tables ("Camera_2K_Project.tab", "Camera_4K_Project.tab")
// go through, written once:
//   snapshot -> checks -> the camera sections, built on two threads while the
//   blend table is built beside them -> the blend table -> the header patched
//   -> the file put in place -> "Export <name> OK." and the completion notice.
// A format supplies what differs: how one region of a source block becomes
// remap records, its blend table and its own console lines.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <opencv2/core.hpp>
#include <optional>
#include <string>

#include "export/BlendPartition.h"
#include "export/DebugImages.h"
#include "export/ExportResult.h"
#include "export/ExportSnapshot.h"
#include "export/RedressRecord.h"
#include "export/SourceBlocks.h"
#include "export/WeightVolume.h"

class LittleEndianWriter;
class TableBatch;

// What a format's region writer works with, for one camera.
struct RegionRecords {
    const ExportSnapshot& snap;
    const CameraSnapshot& cam;
    LittleEndianWriter& out;  // the camera's section
    DebugImages* images;      // null when the debug images are not drawn
    RedressRecord& record;    // storage reused for every record
    uint32_t written = 0;     // records written for the camera so far
};

class DeviceTableFormat {
public:
    virtual ~DeviceTableFormat() = default;

    // The table's file name inside the project folder.
    virtual const char* fileName() const = 0;
    // True when the debug images cover the whole panorama (false: the camera's
    // map). Four such images per camera are large: the second thread then
    // builds no sections while they are drawn, so that at most two cameras'
    // images (one being drawn, one being saved) are held at once.
    virtual bool panoramaDebugImages() const = 0;
    // A Failed result (message printed) when the format cannot describe the
    // snapshot; called once the camera count fits a blend table, before
    // anything is written.
    virtual std::optional<ExportResult> check(const ExportSnapshot& snap,
                                              const std::string& path) const = 0;
    // Console output before the file is opened; none by default.
    virtual void preamble(const ExportSnapshot&) const {}
    // Writes the records of one region rectangle (padded camera coordinates,
    // BlockRegions.h) of `block` to `r.out`, counting them in `r.written` and
    // drawing their outlines on `r.images` when there are any. May run on
    // either thread and must print nothing: returns the console text of a
    // failure that stops the export (printed at the camera's turn), or "".
    virtual std::string writeRegion(RegionRecords& r, const SourceBlock& block,
                                    const cv::Rect& rect) const = 0;
    // Writes the blend table, H x blendPartition(W, N).rowBytes(N) bytes,
    // through `out` from `volume`, printing nothing.
    virtual BlendTableOutcome writeBlendTable(LittleEndianWriter& out, WeightRows& volume,
                                              const ExportSnapshot& snap) const = 0;
    // Console lines after a complete blend table of `records` records.
    virtual void reportBlendTable(const ExportSnapshot& snap, uint32_t records) const = 0;
};

// Writes the format's table for the project into its folder, with the debug
// images into its "pic" folder when that exists, prints the progress lines and
// shows the completion notice. The project is only read. The table replaces an
// earlier one only when it is complete: on any failure (out of memory
// included) the message has been printed, nothing is shown and an earlier
// table of that name is left as it was. With `batch`, the complete table is
// left for the batch to put in place (TableBatch.h).
ExportResult exportDeviceTable(const Project& project, const DeviceTableFormat& format,
                               TableBatch* batch = nullptr);
// The same table built into `table` for a look at it: the bytes the export
// would write, but no file, no debug images, no progress lines and no notice.
// A failure is printed and returned as for the export, with `table` empty.
ExportResult buildDeviceTable(const Project& project, const DeviceTableFormat& format,
                              QByteArray& table);
