// libFuzzer harness for a table file as the command line reads it: the file
// through readTableFile (piece by piece, as any size of table is read), then
// its coverage and its device view from small camera frames. A header may
// claim anything; whatever the file does not back must be refused, so no
// input may take long or much memory.
#include <cstddef>
#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

#include "FuzzFile.h"
#include "tables/TableFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks the name, which the format detection reads.
    static const char* const names[] = {".tab", "_Camera_2K_Project.tab", "_Camera_4K_Project.tab"};
    const char* name = names[size ? data[0] % 3 : 0];
    const TableFile t = readTableFile(fuzzFile(data, size, name));
    if (!t.error.empty() || !t.readable()) return 0;
    (void)t.coverage();
    std::vector<cv::Mat> frames;
    for (int c = 0; c < t.N() && c < 8; ++c)
        frames.push_back(cv::Mat(48 + c, 64, CV_8UC3, cv::Scalar(c, 2 * c, 3 * c)));
    (void)t.render(frames);
    return 0;
}
