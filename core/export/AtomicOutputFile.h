// A table file that appears under its name only when it is complete.
#pragma once

#include <QFile>
#include <memory>
#include <string>

#include "export/ExportResult.h"
#include "export/LittleEndianWriter.h"
#include "file/AtomicReplace.h"

class TableBatch;

// Writes into a temporary file in the target's folder and renames it over the
// target on commit(), after the data has reached the disk. If the object is
// destroyed without a successful commit (a format failure, an early return),
// the temporary file is removed and a previous table of the same name stays
// exactly as it was. A target that is a symbolic link is replaced where the
// link points; a target that exists keeps its mode (permission bits) exactly.
// With a batch, commit() hands the complete file to the batch instead of
// renaming it, and the batch puts it in place with the run's other tables.
class AtomicOutputFile {
public:
    // `path`: the final file name, local 8-bit (as projectDir is).
    explicit AtomicOutputFile(std::string path, TableBatch* batch = nullptr);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    const std::string& path() const { return path_; }

    // Creates the temporary file. On failure the result names the path and the
    // system's reason; the message has been printed.
    ExportResult open();
    // The writer over the temporary file; valid after a successful open().
    LittleEndianWriter& out() { return *writer_; }
    // Flushes and renames over the target. On failure (a write error earlier,
    // a full disk, a failed rename) the temporary file is removed, the target is
    // untouched and the printed message names the path and the reason.
    ExportResult commit();

private:
    std::string path_;
    TableBatch* batch_;
    std::unique_ptr<AtomicReplace> replace_;
    QFile file_;
    std::unique_ptr<LittleEndianWriter> writer_;
};
