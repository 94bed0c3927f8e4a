// Where a table reader takes its bytes from: a buffer, or a file read piece by
// piece. Readers ask for the pieces they check and copy only what they keep,
// so reading a table of any size costs about what is kept of it, and a header
// that claims more than the file holds is caught by comparing with size()
// before anything is allocated for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tables/ByteView.h"

class ByteSource {
public:
    virtual ~ByteSource() = default;

    uint64_t size() const { return size_; }
    // Copies the `count` bytes at `at` to `out`. Bytes past the end, and bytes
    // that could not be read (error() then says why), come out as 0.
    virtual void read(uint64_t at, void* out, size_t count) = 0;
    // A view of the bytes at `at`, at most `count` of them (fewer at the end of
    // the source), kept in `buffer` when they have to be copied.
    virtual ByteView view(uint64_t at, size_t count, std::vector<uint8_t>& buffer);
    // Why a read failed, empty while every read succeeded.
    const std::string& error() const { return error_; }

protected:
    uint64_t size_ = 0;
    std::string error_;
};

// Bytes already in memory (not copied; they must outlive the source).
class MemorySource final : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data) { size_ = size; }
    void read(uint64_t at, void* out, size_t count) override;
    ByteView view(uint64_t at, size_t count, std::vector<uint8_t>& buffer) override;

private:
    const uint8_t* data_;
};

// A file, read where the reader asks. Open failures and read failures are
// kept in error(); the file is held open until the source goes.
class FileSource final : public ByteSource {
public:
    // `path` in the local 8-bit encoding.
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool isOpen() const;
    void read(uint64_t at, void* out, size_t count) override;

private:
    struct File;
    File* file_;
};
