// Tests read tables back with the core readers; these helpers read by path and
// give a record's header as one comparable list.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileBytes.h"
#include "tables/DeviceTableReader.h"

namespace testsupport {

inline DeviceTable readDeviceTable(const std::string& path) {
    const std::vector<uint8_t> b = readFileBytes(path);
    return ::readDeviceTable(b.data(), b.size(), detectTableFormat(path, b.data(), b.size()));
}

// An exporter's table, which must read back without a violation.
inline DeviceTable readSoundTable(const std::string& path) {
    DeviceTable t = readDeviceTable(path);
    EXPECT_TRUE(t.valid()) << path << ": " << t.violations.total()
                           << " violations, first: " << t.violations.list()[0].message;
    return t;
}

// panoX, panoY, width, rows, srcX0, srcY0 (the block size fields and the
// filler are checked by the reader).
inline std::vector<int> header(const RedressRecord& r) {
    return {r.panoX, r.panoY, r.width, r.rows, r.srcX0, r.srcY0};
}

// The source offset of entry (i, j), in 1/16 pixel.
inline uint16_t fx(const RedressRecord& r, int i, int j) {
    return entryFx(r.entries[static_cast<size_t>(i) * r.width + j]);
}
inline uint16_t fy(const RedressRecord& r, int i, int j) {
    return entryFy(r.entries[static_cast<size_t>(i) * r.width + j]);
}

}  // namespace testsupport
