#include "export/TableOutput.h"

#include "export/AtomicOutputFile.h"
#include "export/LittleEndianWriter.h"

namespace {

class FileOutput final : public TableOutput {
public:
    FileOutput(const std::string& path, TableBatch* batch) : file_(path, batch) {}
    const std::string& path() const override { return file_.path(); }
    ExportResult open() override { return file_.open(); }
    LittleEndianWriter& out() override { return file_.out(); }
    ExportResult commit() override { return file_.commit(); }

private:
    AtomicOutputFile file_;
};

class MemoryOutput final : public TableOutput {
public:
    MemoryOutput(std::string path, QByteArray& memory) : path_(std::move(path)), memory_(memory) {}
    ~MemoryOutput() override {
        // An abandoned table must not pass for a complete one.
        writer_.reset();
        if (!committed_) memory_.clear();
    }
    const std::string& path() const override { return path_; }
    ExportResult open() override {
        memory_.clear();
        writer_ = std::make_unique<LittleEndianWriter>(memory_);
        return ExportResult::done(path_);
    }
    LittleEndianWriter& out() override { return *writer_; }
    ExportResult commit() override {
        if (writer_ && writer_->flush()) {
            committed_ = true;
            return ExportResult::done(path_);
        }
        const QString why = writer_ ? writer_->errorString() : QStringLiteral("not open");
        return failExport(path_, "Cannot build %s in memory: %s\r\n", path_.c_str(),
                          why.toUtf8().constData());
    }

private:
    std::string path_;
    QByteArray& memory_;
    std::unique_ptr<LittleEndianWriter> writer_;
    bool committed_ = false;
};

}  // namespace

std::unique_ptr<TableOutput> fileTableOutput(const std::string& path, TableBatch* batch) {
    return std::make_unique<FileOutput>(path, batch);
}

std::unique_ptr<TableOutput> memoryTableOutput(const std::string& path, QByteArray& memory) {
    return std::make_unique<MemoryOutput>(path, memory);
}
