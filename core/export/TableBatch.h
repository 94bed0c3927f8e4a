// The tables of one run, put in place together. Each export handed the batch
// writes its table completely, under a temporary name beside it, and leaves it
// there; nothing replaces an earlier table until commit() renames them all,
// one right after the other. A batch that goes without commit() (a later
// table failed, the run was stopped) removes every temporary file, so a full
// disk or a table that cannot be written never leaves a mixed set behind.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "export/ExportResult.h"

class AtomicReplace;

class TableBatch {
public:
    TableBatch();
    ~TableBatch();
    TableBatch(const TableBatch&) = delete;
    TableBatch& operator=(const TableBatch&) = delete;

    // Takes the finished temporary file of the table `path` (closed, its data
    // handed to the disk).
    void add(std::unique_ptr<AtomicReplace> file, const std::string& path);

    // Renames every table over its target in the order added. `replaced`
    // receives the paths put in place. A rename that fails (the system's
    // reason is printed and returned) stops there: the tables after it keep
    // their earlier versions, and their temporary files are removed.
    ExportResult commit(std::vector<std::string>& replaced);

private:
    struct Entry;
    std::vector<Entry> tables_;
};
