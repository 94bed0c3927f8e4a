// The coordinate-map and layer readers on any file: the general reader, and
// the loader's own LZW decoding of the remapper's files.
#include <tiffio.h>

#include "FuzzFile.h"
#include "remap/CameraInputs.h"
#include "remap/RemapperTiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzzFile(data, size, ".tif");
    readMapTiff(path);
    readRemapperLayer(path);
    TIFF* x = TIFFOpen(path.c_str(), "r");
    TIFF* y = TIFFOpen(path.c_str(), "r");
    cv::Mat both;
    if (x && y) readRemapperMaps(x, y, both);
    if (x) TIFFClose(x);
    if (y) TIFFClose(y);
    return 0;
}
