#include "export/AtomicOutputFile.h"

#include <QFileInfo>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#endif
#ifdef __linux__
#include <fcntl.h>
#endif

#include "export/TableBatch.h"
#include "file/Local8Bit.h"

namespace {

// Asks the system to put the file's data on the disk before it replaces the
// old table, so a power cut cannot leave a renamed but empty file. Failures are
// not fatal: some file systems cannot do it, and the data is written anyway.
void syncToDisk(int fd) {
    if (fd < 0) return;
#if defined(Q_OS_UNIX)
    fdatasync(fd);
#elif defined(Q_OS_WIN)
    _commit(fd);
#endif
}

// The new file gets the old one's mode bit for bit. (Qt's permissions carry
// what the current user may do, which for root includes writing a 0444 file:
// copied through them, a read-only table would come back writable.)
void keepMode(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status old = fs::status(fs::path(from), ec);
    if (!ec) fs::permissions(fs::path(to), old.permissions(), fs::perm_options::replace, ec);
}

}  // namespace

AtomicOutputFile::AtomicOutputFile(std::string path, TableBatch* batch)
    : path_(std::move(path)), batch_(batch) {}

AtomicOutputFile::~AtomicOutputFile() {
    // Nothing may be completed by accident: the writer does not flush, and the
    // temporary file goes with replace_ unless commit() renamed it.
    writer_.reset();
    file_.close();
}

ExportResult AtomicOutputFile::open() {
    QFileInfo existing(QString::fromLocal8Bit(path_.c_str()));
    // A table that cannot be written in place is not replaced behind the
    // operator's back either.
    if (existing.exists() && !existing.isWritable()) {
        return failExport(path_, "Cannot create %s: Existing file %s is not writable\r\n",
                          path_.c_str(), path_.c_str());
    }
    if (existing.isDir())
        return failExport(path_, "Cannot create %s: Filename refers to a directory\r\n",
                          path_.c_str());
    // A link to the table stays a link: the file it points to is replaced.
    std::string target = path_;
    if (existing.isSymLink()) {
        int depth = 128;
        while (--depth && existing.isSymLink()) existing.setFile(existing.symLinkTarget());
        if (depth > 0) target = toLocal8BitString(existing.filePath());
    }
    replace_.reset(new AtomicReplace(target));
    file_.setFileName(QString::fromLocal8Bit(replace_->temporary().c_str()));
    // Unbuffered: the writer already stages everything in large blocks.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        replace_.reset();
        return failExport(path_, "Cannot create %s: %s\r\n", path_.c_str(),
                          file_.errorString().toUtf8().constData());
    }
    if (existing.exists()) keepMode(target, replace_->temporary());
    writer_.reset(new LittleEndianWriter(file_));
#ifdef __linux__
    // Handing each written block to the disk right away lets the sync before
    // the rename happen while the table is still being built, instead of all at
    // once at the end.
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
    if (flushed) syncToDisk(file_.handle());
    file_.close();
    if (!flushed) {
        replace_.reset();  // removes the temporary file
        return failExport(path_, "Cannot write %s: %s\r\n", path_.c_str(),
                          writeError.toUtf8().constData());
    }
    if (batch_) {
        batch_->add(std::move(replace_), path_);
        return ExportResult::done(path_);
    }
    std::string reason;
    if (!replace_->commit(reason))
        return failExport(path_, "Cannot write %s: %s\r\n", path_.c_str(), reason.c_str());
    return ExportResult::done(path_);
}
