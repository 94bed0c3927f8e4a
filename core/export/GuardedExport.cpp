#include "export/GuardedExport.h"

#include <new>
#include <optional>

ExportResult runGuardedExport(const Project& project, const char* fileName,
                              const TableWriter& write) {
    ExportResult stop;
    const std::optional<ExportSnapshot> snap = takeExportSnapshot(project, &stop);
    if (!snap) return stop;
    const std::string path = snap->outputPath(fileName);
    try {
        return write(*snap, path);
    } catch (const std::bad_alloc&) {
        return failExport(path,
                          "Cannot write %s: not enough memory for a %d x %d panorama of %d "
                          "cameras\r\n",
                          path.c_str(), snap->W, snap->H, snap->cameraCount);
    }
}
