// The coordinate-map reader on any file.
#include "FuzzFile.h"
#include "remap/CameraInputs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    readMapTiff(fuzzFile(data, size, ".tif"));
    return 0;
}
