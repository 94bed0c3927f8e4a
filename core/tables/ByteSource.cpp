#include "tables/ByteSource.h"

#include <QFile>
#include <algorithm>
#include <cstring>

ByteView ByteSource::view(uint64_t at, size_t count, std::vector<uint8_t>& buffer) {
    const uint64_t available = at < size_ ? size_ - at : 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, available));
    buffer.resize(n);
    if (n) read(at, buffer.data(), n);
    return ByteView(buffer.data(), n, at);
}

void MemorySource::read(uint64_t at, void* out, size_t count) {
    const uint64_t available = at < size_ ? size_ - at : 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, available));
    if (n) std::memcpy(out, data_ + at, n);
    std::memset(static_cast<uint8_t*>(out) + n, 0, count - n);
}

ByteView MemorySource::view(uint64_t at, size_t count, std::vector<uint8_t>&) {
    const uint64_t available = at < size_ ? size_ - at : 0;
    return ByteView(data_ + std::min<uint64_t>(at, size_),
                    static_cast<size_t>(std::min<uint64_t>(count, available)), at);
}

struct FileSource::File {
    QFile file;
};

FileSource::FileSource(const std::string& path) : file_(new File) {
    file_->file.setFileName(QString::fromLocal8Bit(path.c_str()));
    // Unbuffered: the readers ask for large pieces, and a small one is read
    // into the reader's own buffer anyway.
    if (!file_->file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        error_ = file_->file.errorString().toStdString();
        return;
    }
    size_ = static_cast<uint64_t>(std::max<qint64>(file_->file.size(), 0));
}

FileSource::~FileSource() {
    delete file_;
}

bool FileSource::isOpen() const {
    return file_->file.isOpen();
}

void FileSource::read(uint64_t at, void* out, size_t count) {
    uint8_t* to = static_cast<uint8_t*>(out);
    size_t got = 0;
    const bool inside = at < size_;
    if (isOpen() && error_.empty() && inside) {
        if (file_->file.seek(static_cast<qint64>(at))) {
            while (got < count) {
                const qint64 n = file_->file.read(reinterpret_cast<char*>(to + got),
                                                  static_cast<qint64>(count - got));
                if (n <= 0) break;
                got += static_cast<size_t>(n);
            }
        }
        // Ending early inside the size the file had when opened means it
        // shrank or could not be read: either way its bytes are not all there.
        if (got < count && at + got < size_)
            error_ = file_->file.error() != QFileDevice::NoError
                         ? file_->file.errorString().toStdString()
                         : "the file became shorter while it was read";
    }
    std::memset(to + got, 0, count - got);
}
