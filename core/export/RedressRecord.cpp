#include "export/RedressRecord.h"

#include <algorithm>
#include <cassert>

#include "export/LittleEndianWriter.h"

RedressRecord RedressRecord::make(int panoX, int panoY, int width, int rows, int bx, int by) {
    assert(width >= 0 && rows >= 0 && width * rows <= kCapacity);
    RedressRecord rec;
    rec.reset(panoX, panoY, width, rows, bx, by);
    return rec;
}

void RedressRecord::reset(int x, int y, int w, int h, int bx, int by) {
    assert(w >= 0 && h >= 0 && w * h <= kCapacity);
    panoX = static_cast<uint16_t>(x);
    panoY = static_cast<uint16_t>(y);
    width = static_cast<uint16_t>(w);
    rows = static_cast<uint16_t>(h);
    srcX0 = static_cast<uint16_t>(kSourceBlockWidth * bx);
    srcY0 = static_cast<uint16_t>(kSourceBlockHeight * by);
    entries.assign(static_cast<size_t>(w) * static_cast<size_t>(h), kInvalidEntry);
}

bool RedressRecord::anyValid() const {
    // A valid entry never equals the invalid one (fx <= 2032, fy <= 2864).
    return std::any_of(entries.begin(), entries.end(),
                       [](uint32_t e) { return e != kInvalidEntry; });
}

void RedressRecord::writeTo(LittleEndianWriter& out) const {
    assert(entries.size() <= static_cast<size_t>(kCapacity));
    uint8_t header[kHeaderBytes];
    storeU16(header + kPanoXAt, panoX);
    storeU16(header + kPanoYAt, panoY);
    storeU16(header + kWidthAt, width);
    storeU16(header + kRowsAt, rows);
    storeU16(header + kSrcX0At, srcX0);
    storeU16(header + kSrcY0At, srcY0);
    storeU16(header + kBlockWidthAt, kSourceBlockWidth);
    storeU16(header + kBlockHeightAt, kSourceBlockHeight);
    out.bytes(header, kHeaderBytes);
    out.u32s(entries.data(), entries.size());
    out.repeatU32(kInvalidEntry, static_cast<size_t>(kCapacity) - entries.size());
}

AlignedSpan alignSpan(int start, int length, int multiple) {
    assert(multiple > 0);
    AlignedSpan s;
    // The largest multiple not above start (C's % keeps the dividend's sign).
    const int rem = start % multiple;
    s.before = rem > 0 ? rem : (rem < 0 ? multiple + rem : 0);
    s.start = start - s.before;
    s.length = length + s.before;
    const int lrem = s.length % multiple;
    s.after = lrem > 0 ? multiple - lrem : -lrem;
    s.length += s.after;
    return s;
}
