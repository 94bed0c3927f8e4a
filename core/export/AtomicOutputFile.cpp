#include "export/AtomicOutputFile.h"

#ifdef __linux__
#include <fcntl.h>
#endif

#include <cstdio>

AtomicOutputFile::AtomicOutputFile(std::string path)
    : path_(std::move(path)), file_(QString::fromLocal8Bit(path_.c_str())) {}

AtomicOutputFile::~AtomicOutputFile() {
    writer_.reset();
    // QSaveFile removes its temporary file when it is destroyed uncommitted;
    // cancel first so nothing can be committed by accident.
    if (!committed_ && file_.isOpen()) file_.cancelWriting();
}

ExportResult AtomicOutputFile::open() {
    // Unbuffered: the writer already stages everything in large blocks.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return failExport(path_, "Cannot create %s: %s\r\n", path_.c_str(),
                          file_.errorString().toUtf8().constData());
    }
    writer_.reset(new LittleEndianWriter(file_));
#ifdef __linux__
    // The file is synced to disk before it replaces the old one. Handing each
    // written block to the disk right away lets that happen while the table is
    // still being built, instead of all at once at the end.
    const int fd = file_.handle();
    if (fd >= 0) {
        writer_->setWrittenHook([fd](int64_t start, int64_t length) {
            sync_file_range(fd, start, length, SYNC_FILE_RANGE_WRITE);
        });
    }
#endif
    return ExportResult::done(path_);
}

ExportResult AtomicOutputFile::commit() {
    if (!writer_) return failExport(path_, "Cannot write %s: not open\r\n", path_.c_str());
    const bool flushed = writer_->flush();
    const QString writeError = writer_->errorString();
    writer_.reset();
    if (!flushed) {
        file_.cancelWriting();
        file_.commit();  // removes the temporary file
        return failExport(path_, "Cannot write %s: %s\r\n", path_.c_str(),
                          writeError.toUtf8().constData());
    }
    if (!file_.commit()) {
        return failExport(path_, "Cannot write %s: %s\r\n", path_.c_str(),
                          file_.errorString().toUtf8().constData());
    }
    committed_ = true;
    return ExportResult::done(path_);
}
