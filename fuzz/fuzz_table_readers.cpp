// libFuzzer harness for the table readers: any bytes, read as each of the
// three formats, must give a result with its violations, never a crash or a
// read outside the buffer. The coverage walks whatever the readers accepted,
// with no cap of the harness's own: the coverage must refuse by itself what
// the bytes do not back.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tables/DeviceTableReader.h"
#include "tables/DeviceView.h"
#include "tables/QuickWeaveReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so that the sanitizer sees any read past the end.
    const std::vector<uint8_t> bytes(data, data + size);
    for (TableFormat f : {TableFormat::Camera2K, TableFormat::Camera4K}) {
        const DeviceTable t = readDeviceTable(bytes.data(), bytes.size(), f);
        if (t.readable) measureCoverage(t);
    }
    const QuickWeaveTable q = readQuickWeaveTable(bytes.data(), bytes.size());
    if (q.readable) {
        measureCoverage(q);
        measureCoverage(q, std::vector<cv::Size>(q.cameras.size(), cv::Size(64, 48)));
    }
    detectTableFormat("t.tab", bytes.data(), bytes.size());
    return 0;
}
