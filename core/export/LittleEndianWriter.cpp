#include "export/LittleEndianWriter.h"

#include <QByteArray>
#include <QIODevice>
#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <limits>

LittleEndianWriter::LittleEndianWriter(QIODevice& device)
    : device_(&device), own_(new uint8_t[kCapacity]), buf_(own_.get()), capacity_(kCapacity) {
    pos_ = bufStart_ = size_ = device_->pos();
    size_ = std::max<int64_t>(size_, device_->size());
}

LittleEndianWriter::LittleEndianWriter(QByteArray& memory) : memory_(&memory) {
    // Reserved room becomes the buffer; its pages are touched only as written.
    memory_->resize(std::max(memory_->capacity(), 1 << 16));
    buf_ = reinterpret_cast<uint8_t*>(memory_->data());
    capacity_ = static_cast<size_t>(memory_->size());
}

LittleEndianWriter::~LittleEndianWriter() = default;

void LittleEndianWriter::putMemory(const uint8_t* data, size_t size) {
    const size_t end = static_cast<size_t>(pos_) + size;
    if (end > capacity_) {
        const size_t limit = static_cast<size_t>(std::numeric_limits<int>::max()) / 2;
        if (end > limit) {
            fail(QStringLiteral("table part too large for memory"));
            return;
        }
        const size_t grown = std::min(limit, std::max(end, 2 * capacity_));
        memory_->resize(static_cast<int>(grown));
        buf_ = reinterpret_cast<uint8_t*>(memory_->data());
        capacity_ = grown;
    }
    std::memcpy(buf_ + pos_, data, size);
    pos_ = static_cast<int64_t>(end);
    bufLen_ = std::max(bufLen_, end);
    if (pos_ > size_) size_ = pos_;
}

void LittleEndianWriter::f32(float v) {
    uint32_t bits;
    static_assert(sizeof bits == sizeof v, "float must be 32 bits");
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
}

void LittleEndianWriter::bytes(const void* data, size_t size) {
    put(static_cast<const uint8_t*>(data), size);
}

void LittleEndianWriter::u32s(const uint32_t* values, size_t count) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // The values already are in file order: a full-canvas QuickWeave file
    // is tens of millions of them.
    put(reinterpret_cast<const uint8_t*>(values), count * 4);
    return;
#endif
    // Laid out a chunk at a time on the stack, then handed over.
    uint8_t chunk[16 * 1024];
    while (count > 0) {
        const size_t n = std::min<size_t>(count, sizeof chunk / 4);
        uint8_t* b = chunk;
        for (size_t i = 0; i < n; ++i, b += 4) {
            const uint32_t v = values[i];
            b[0] = static_cast<uint8_t>(v);
            b[1] = static_cast<uint8_t>(v >> 8);
            b[2] = static_cast<uint8_t>(v >> 16);
            b[3] = static_cast<uint8_t>(v >> 24);
        }
        put(chunk, n * 4);
        values += n;
        count -= n;
    }
}

void LittleEndianWriter::f32s(const float* values, size_t count) {
    static_assert(sizeof(float) == 4, "IEEE single precision");
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    put(reinterpret_cast<const uint8_t*>(values), count * 4);
#else
    uint32_t chunk[4096];
    while (count > 0) {
        const size_t n = std::min<size_t>(count, 4096);
        std::memcpy(chunk, values, n * 4);
        u32s(chunk, n);
        values += n;
        count -= n;
    }
#endif
}

void LittleEndianWriter::repeatU32(uint32_t v, size_t count) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    // Build a chunk once and hand it over in large pieces.
    uint8_t chunk[4 * 1024];
    for (size_t i = 0; i < sizeof chunk; i += 4) std::memcpy(chunk + i, b, 4);
    while (count > 0) {
        const size_t n = std::min<size_t>(count, sizeof chunk / 4);
        put(chunk, n * 4);
        count -= n;
    }
}

void LittleEndianWriter::zeros(size_t count) {
    static const uint8_t kZero[4096] = {};
    while (count > 0) {
        const size_t n = std::min(count, sizeof kZero);
        put(kZero, n);
        count -= n;
    }
}

void LittleEndianWriter::seek(int64_t position) {
    assert(position >= 0 && position <= size_);
    pos_ = position;
}

void LittleEndianWriter::patchU16(int64_t at, uint16_t v) {
    assert(at >= 0 && at + 2 <= size_);
    const int64_t keep = pos_;
    pos_ = at;
    u16(v);
    pos_ = keep;
}

void LittleEndianWriter::patchU32(int64_t at, uint32_t v) {
    assert(at >= 0 && at + 4 <= size_);
    const int64_t keep = pos_;
    pos_ = at;
    u32(v);
    pos_ = keep;
}

void LittleEndianWriter::putSlow(const uint8_t* data, size_t size) {
    if (failed_) return;
    if (memory_) return putMemory(data, size);
    const int64_t end = bufStart_ + static_cast<int64_t>(bufLen_);
    // The buffer holds one contiguous range; a write elsewhere (or one that does
    // not fit) sends it to the device first.
    if (bufLen_ > 0 && (pos_ < bufStart_ || pos_ > end)) {
        if (!flushBuffer()) return;
    }
    if (bufLen_ == 0) bufStart_ = pos_;
    size_t offset = static_cast<size_t>(pos_ - bufStart_);
    if (offset + size > kCapacity) {
        if (!flushBuffer()) return;
        bufStart_ = pos_;
        offset = 0;
        if (size > kCapacity) {
            // Too large to stage: write straight through, a buffer's size at a time.
            if (device_->pos() != pos_ && !device_->seek(pos_)) {
                fail(device_->errorString());
                return;
            }
            while (size > 0) {
                const size_t n = std::min(size, kCapacity);
                if (!writeAll(reinterpret_cast<const char*>(data), static_cast<qint64>(n))) return;
                if (written_) written_(pos_, static_cast<int64_t>(n));
                pos_ += static_cast<int64_t>(n);
                data += n;
                size -= n;
            }
            if (pos_ > size_) size_ = pos_;
            bufStart_ = pos_;
            return;
        }
    }
    std::memcpy(buf_ + offset, data, size);
    bufLen_ = std::max(bufLen_, offset + size);
    pos_ += static_cast<int64_t>(size);
    if (pos_ > size_) size_ = pos_;
}

bool LittleEndianWriter::flushBuffer() {
    if (failed_) return false;
    if (memory_) return true;  // the bytes are in place already
    if (bufLen_ == 0) return true;
    if (device_->pos() != bufStart_ && !device_->seek(bufStart_)) {
        fail(device_->errorString());
        return false;
    }
    const qint64 n = static_cast<qint64>(bufLen_);
    if (!writeAll(reinterpret_cast<const char*>(buf_), n)) return false;
    if (written_) written_(bufStart_, n);
    bufStart_ += n;
    bufLen_ = 0;
    return true;
}

bool LittleEndianWriter::writeAll(const char* data, qint64 n) {
    // A full disk shows first as a short write without an error code; writing
    // the rest brings the system's reason ("No space left on device").
    while (n > 0) {
        errno = 0;
        const qint64 done = device_->write(data, n);
        if (done <= 0) {
            const int code = errno;
            QString why = device_->errorString();
            if (code != 0 && (why.isEmpty() || why == QLatin1String("Unknown error")))
                why = QString::fromLocal8Bit(std::strerror(code));
            fail(why);
            return false;
        }
        data += done;
        n -= done;
    }
    return true;
}

bool LittleEndianWriter::flush() {
    if (memory_ && !failed_) {
        memory_->resize(static_cast<int>(size_));
        buf_ = reinterpret_cast<uint8_t*>(memory_->data());
        capacity_ = static_cast<size_t>(size_);
    }
    return flushBuffer();
}

void LittleEndianWriter::fail(const QString& why) {
    failed_ = true;
    error_ = why.isEmpty() ? QStringLiteral("write error") : why;
    bufLen_ = 0;
}
