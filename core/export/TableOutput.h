// Where a table's bytes go: a file that appears under its name only when it is
// complete, or a buffer in memory for a table that is looked at, not kept.
#pragma once

#include <QByteArray>
#include <memory>
#include <string>

#include "export/ExportResult.h"

class LittleEndianWriter;
class TableBatch;

class TableOutput {
public:
    virtual ~TableOutput() = default;
    // The table's file name (local 8-bit), also for a table kept in memory:
    // messages name the table the same way.
    virtual const std::string& path() const = 0;
    // Failed (message printed) when the file cannot be created.
    virtual ExportResult open() = 0;
    // Valid after a successful open().
    virtual LittleEndianWriter& out() = 0;
    // Puts the complete table in place: renamed over the file, or left in the
    // buffer. Failed (message printed) after a write error.
    virtual ExportResult commit() = 0;
};

// The file `path`, through AtomicOutputFile (and, with `batch`, put in place
// with the batch's other tables).
std::unique_ptr<TableOutput> fileTableOutput(const std::string& path, TableBatch* batch = nullptr);
// `memory`, which holds exactly the table's bytes after a successful commit()
// and is left empty otherwise; nothing touches the disk.
std::unique_ptr<TableOutput> memoryTableOutput(const std::string& path, QByteArray& memory);
