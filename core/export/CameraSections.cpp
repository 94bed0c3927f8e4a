#include "export/CameraSections.h"

#include <algorithm>
#include <cstdio>
#include <future>

#include "export/ColumnBoundary.h"
#include "export/RedressRecord.h"
#include "export/WriteToMemory.h"
#include "system/Reporter.h"

size_t cameraSectionReserve(const CameraSnapshot& cam) {
    const int64_t guess = static_cast<int64_t>(cam.map.total()) * 8 + RedressRecord::kBytes;
    return static_cast<size_t>(std::min(guess, kMaxTablePartInMemory));
}

std::optional<ExportResult> writeCameraSections(DeviceTableFile& file,
                                                CameraSectionPipeline& sections, int count,
                                                const std::string& projectDir, bool saveImages,
                                                bool console) {
    std::future<void> saving;  // the previous camera's debug images
    for (int i = 0; i < count; ++i) {
        CameraSection s = sections.take(i);
        file.beginCamera(i);
        if (console && s.brokenBoundaryPixels > 0)
            reportBrokenBoundary(s.edgeCount, s.brokenBoundaryPixels);
        if (!s.failure.empty()) return failExport(file.path(), "%s", s.failure.c_str());
        if (static_cast<int64_t>(s.bytes.size()) !=
            static_cast<int64_t>(s.records) * RedressRecord::kBytes) {
            return failExport(file.path(),
                              "Cannot write %s: a camera section could not be built\r\n",
                              file.path().c_str());
        }
        file.writeRecords(s.bytes, s.records);
        file.endCamera();
        if (saveImages) {
            // JPEG encoding goes on beside the next camera.
            if (saving.valid()) saving.get();
            saving = std::async(std::launch::async, [images = std::move(s.images), projectDir, i] {
                images->save(projectDir, i);
            });
        }
        if (console) {
            reportf("pic:%d count_total:%d  real:total:%d\r\n", i, static_cast<int>(s.records),
                    static_cast<int>(file.recordCount(i)));
            reportFlush();
        }
    }
    if (saving.valid()) saving.get();
    return std::nullopt;
}
