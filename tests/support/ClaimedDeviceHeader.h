// Test-only: the header and arrays of a device table alone, claiming a W x H
// panorama of one camera, with nothing behind them; a reader must not
// believe what the file does not hold.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "export/DeviceTableLayout.h"
#include "export/LittleEndianWriter.h"

namespace testsupport {

inline std::string claimedDeviceHeader(uint32_t W, uint32_t H) {
    using namespace device_table;
    std::string b(sectionsStart(1), '\0');
    uint8_t* p = reinterpret_cast<uint8_t*>(&b[0]);
    std::memcpy(p, kMagic, kMagicBytes);
    storeU32(p + kWidthAt, W);
    storeU32(p + kHeightAt, H);
    storeU32(p + kCameraCountAt, 1);
    return b;
}

}  // namespace testsupport
