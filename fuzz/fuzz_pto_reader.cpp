// The tool's own PTO reader: sizes and image names from any text.
#include "FuzzFile.h"
#include "project/PtoReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PtoReader reader(fuzzFile(data, size, ".pto"));
    for (int i = -1; i <= reader.imageCount(); ++i) reader.imageFile(i);
    return 0;
}
