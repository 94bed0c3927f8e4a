// The entry of every export: the snapshot first, then the format's work, with
// a shortage of memory turned into a Failed result like any other failure.
#pragma once

#include <functional>
#include <string>

#include "export/ExportResult.h"
#include "export/ExportSnapshot.h"

// Writes a table of the project through `write`, called with the snapshot and
// the table's path (projectDir + fileName). Without anything to export the
// snapshot's stop result is returned and `write` is not called. An allocation
// failure in `write` (the weight volume alone is (W + 1)(H + 1)N bytes) is
// printed and returned as Failed; the unfinished file has been dropped while
// unwinding, so an earlier table of that name stays as it was.
using TableWriter = std::function<ExportResult(const ExportSnapshot&, const std::string& path)>;
ExportResult runGuardedExport(const Project& project, const char* fileName,
                              const TableWriter& write);
