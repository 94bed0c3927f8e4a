// nona2's JPEG, PNG and TIFF readers, as the remapper calls them: the project
// says 64 x 36 (the seeds' size), anything else is refused before decoding.
#include "FuzzFile.h"
#include "ImageReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cv::Mat image;
    std::string error;
    nona2::readImage(fuzzFile(data, size, ".img"), image, error, cv::Size(64, 36));
    return 0;
}
