// Camera sections of the device tables built in memory, on two threads, and
// written into the table in camera order with their console lines.
#pragma once

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "export/DebugImages.h"
#include "export/DeviceTableFile.h"
#include "export/SectionPipeline.h"

// One camera's section as built, and what its building would have printed.
struct CameraSection {
    QByteArray bytes;      // the section's records, as written
    uint32_t records = 0;  // records in bytes
    // The console text (with its line end, if any) of a failure that stops the
    // export at this camera; empty when there is none.
    std::string failure;
    int edgeCount = 0;                    // entries of the camera's imgBdy
    int64_t brokenBoundaryPixels = 0;     // pixels tested against a broken imgBdy
    std::unique_ptr<DebugImages> images;  // null when the images are not drawn
};

using CameraSectionPipeline = SectionPipeline<CameraSection>;

// Room to reserve for a camera's section buffer: reserved memory that is never
// touched costs nothing, growing the buffer would copy it.
size_t cameraSectionReserve(const CameraSnapshot& cam);

// Takes the sections from the pipeline in camera order and, for each, prints
// what building it printed, writes it, saves its debug images (when
// `saveImages`; on another thread, one camera at a time, all done before
// returning) and prints "pic:%d count_total:%d  real:total:%d\r\n". Without
// `console` only a failure is printed. Returns the Failed result (message
// printed) of a section that stops the export, after the sections before it.
std::optional<ExportResult> writeCameraSections(DeviceTableFile& file,
                                                CameraSectionPipeline& sections, int count,
                                                const std::string& projectDir, bool saveImages,
                                                bool console = true);
