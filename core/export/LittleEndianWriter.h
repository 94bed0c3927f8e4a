// The one writer every table byte goes through. Integers are laid out
// little-endian with shifts, so the files are identical whatever the host's
// byte order, and no struct is ever dumped as it lies in memory.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

class QByteArray;
class QIODevice;

// Little-endian values stored into a buffer: for a record header laid out at
// its field offsets and then written in one piece.
inline void storeU16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}
inline void storeU32(uint8_t* at, uint32_t v) {
    storeU16(at, static_cast<uint16_t>(v));
    storeU16(at + 2, static_cast<uint16_t>(v >> 16));
}

// Buffered writer over a seekable device (a file being written, or a QBuffer in
// tests). It keeps a write cursor like a C stream opened "wb+": bytes go to the
// cursor, which may be moved back to overwrite what was written before, and
// earlier bytes can be patched without moving the cursor. Patches of bytes that
// are still in the buffer cost no device access.
//
// After the first device error every further call is a no-op and ok() is
// false; the owner checks ok() (or the result of flush()) once at the end.
class LittleEndianWriter {
public:
    explicit LittleEndianWriter(QIODevice& device);
    // A writer straight into memory: the bytes go into `memory` as they are
    // written, without staging; `memory` holds exactly the bytes written after
    // flush(). For table parts built on another thread.
    explicit LittleEndianWriter(QByteArray& memory);
    ~LittleEndianWriter();  // does not flush: an abandoned table must not be completed
    LittleEndianWriter(const LittleEndianWriter&) = delete;
    LittleEndianWriter& operator=(const LittleEndianWriter&) = delete;

    void u8(uint8_t v) { put(&v, 1); }
    void u16(uint16_t v) {
        uint8_t b[2];
        storeU16(b, v);
        put(b, 2);
    }
    void u32(uint32_t v) {
        uint8_t b[4];
        storeU32(b, v);
        put(b, 4);
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    // IEEE 754 single precision, little-endian.
    void f32(float v);
    // Raw bytes (already in file order, e.g. weight bytes or a magic).
    void bytes(const void* data, size_t size);
    // `count` 32-bit values, each little-endian (e.g. remap entries).
    void u32s(const uint32_t* values, size_t count);
    // `count` IEEE single-precision values, each as its four bytes.
    void f32s(const float* values, size_t count);
    // `count` copies of the 32-bit value v (e.g. invalid remap entries).
    void repeatU32(uint32_t v, size_t count);
    // `count` zero bytes.
    void zeros(size_t count);

    // Cursor position in bytes from the start of the file.
    int64_t pos() const { return pos_; }
    // Length of the file so far (the furthest byte ever written).
    int64_t size() const { return size_; }
    // Moves the cursor; 0 <= position <= size().
    void seek(int64_t position);
    // Overwrites earlier bytes at `at` (at + width <= size()); the cursor stays.
    void patchU16(int64_t at, uint16_t v);
    void patchU32(int64_t at, uint32_t v);

    // Hands every pending byte to the device. False after any device error.
    bool flush();
    bool ok() const { return !failed_; }
    // Called after each block of bytes reached the device, with its file
    // position and length (at most 1 MB each), e.g. to start writing it to disk.
    void setWrittenHook(std::function<void(int64_t start, int64_t length)> hook) {
        written_ = std::move(hook);
    }
    QString errorString() const { return error_; }

private:
    void put(const uint8_t* data, size_t size) {
        const int64_t end = bufStart_ + static_cast<int64_t>(bufLen_);
        if (pos_ == end && bufLen_ + size <= capacity_ && !failed_) {
            std::memcpy(buf_ + bufLen_, data, size);
            bufLen_ += size;
            pos_ += static_cast<int64_t>(size);
            if (pos_ > size_) size_ = pos_;
            return;
        }
        putSlow(data, size);
    }
    void putSlow(const uint8_t* data, size_t size);
    bool flushBuffer();
    // Writes all n bytes, retrying after a short write; false (and failed) on an error.
    bool writeAll(const char* data, qint64 n);
    void fail(const QString& why);

    static constexpr size_t kCapacity = size_t(1) << 20;
    void putMemory(const uint8_t* data, size_t size);

    QIODevice* device_ = nullptr;   // device mode
    QByteArray* memory_ = nullptr;  // memory mode: the buffer is its data
    std::unique_ptr<uint8_t[]> own_;
    uint8_t* buf_ = nullptr;
    size_t capacity_ = 0;
    size_t bufLen_ = 0;  // pending bytes, destined for [bufStart_, bufStart_ + bufLen_)
    int64_t bufStart_ = 0;
    int64_t pos_ = 0;
    int64_t size_ = 0;
    bool failed_ = false;
    std::function<void(int64_t, int64_t)> written_;
    QString error_;
};
