#include "export/TableBatch.h"

#include "file/AtomicReplace.h"

struct TableBatch::Entry {
    std::unique_ptr<AtomicReplace> file;
    std::string path;
};

TableBatch::TableBatch() = default;
TableBatch::~TableBatch() = default;

void TableBatch::add(std::unique_ptr<AtomicReplace> file, const std::string& path) {
    tables_.push_back({std::move(file), path});
}

ExportResult TableBatch::commit(std::vector<std::string>& replaced) {
    std::vector<Entry> tables = std::move(tables_);
    tables_.clear();
    for (Entry& t : tables) {
        std::string reason;
        if (!t.file->commit(reason))
            return failExport(t.path, "Cannot write %s: %s\r\n", t.path.c_str(), reason.c_str());
        replaced.push_back(t.path);
    }
    return ExportResult::done(replaced.empty() ? std::string() : replaced.back());
}
