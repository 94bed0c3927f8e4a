// libFuzzer harness for the table readers: any bytes, read as each of the
// three formats, must give a result with its violations, never a crash or a
// read outside the buffer. The coverage walks whatever the readers accepted.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tables/DeviceTableReader.h"
#include "tables/DeviceView.h"
#include "tables/QuickWeaveReader.h"

namespace {

// The coverage allocates a byte per camera and panorama pixel; keep the
// harness fast by measuring only panoramas of modest size.
bool small(int W, int H, int N) {
    return viewFits(W, H, N) && uint64_t(W) * uint64_t(H) * uint64_t(N) <= (uint64_t(1) << 22);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that the sanitizer sees any read past the end.
    const std::vector<uint8_t> bytes(data, data + size);
    for (TableFormat f : {TableFormat::Camera2K, TableFormat::Camera4K}) {
        const DeviceTable t = readDeviceTable(bytes.data(), bytes.size(), f);
        if (t.readable && small(t.W, t.H, t.N)) measureCoverage(t);
    }
    const QuickWeaveTable q = readQuickWeaveTable(bytes.data(), bytes.size());
    if (q.readable && small(q.W, q.H, q.N)) {
        measureCoverage(q);
        measureCoverage(q, std::vector<cv::Size>(q.cameras.size(), cv::Size(64, 48)));
    }
    detectTableFormat("t.tab", bytes.data(), bytes.size());
    return 0;
}
