// nona2's project parser, and libpano13 set up from whatever it accepts: an
// accepted project must neither hang nor overflow in the transform.
#include <string>

#include "PanoTransform.h"
#include "PtoProject.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nona2::PtoProject project;
    std::string error;
    if (!nona2::parsePto(std::string(reinterpret_cast<const char*>(data), size), "/tmp/f.pto",
                         project, error))
        return 0;
    for (const nona2::ImageDesc& image : project.images) {
        nona2::PanoTransform transform;
        if (!transform.init(project.pano, image, nona2::PanoTransform::Direction::PanoToSource,
                            error))
            continue;
        double x = 0, y = 0;
        transform.map(project.pano.width / 2.0, project.pano.height / 2.0, x, y);
        transform.map(0, 0, x, y);
    }
    return 0;
}
