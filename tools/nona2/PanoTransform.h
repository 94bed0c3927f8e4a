// One image's geometric transform between panorama pixels and source pixels,
// evaluated by libpano13 exactly as Hugin sets it up (same parameter filling,
// same pixel-centre convention), so our maps agree with Hugin's own tools.
#pragma once

#include <memory>
#include <string>

#include "PtoProject.h"

namespace nona2 {

class PanoTransform {
public:
    enum class Direction {
        PanoToSource,  // for remapping: where does a panorama pixel come from
        SourceToPano,  // for rendering sample images: where does a source pixel land
    };

    PanoTransform();
    ~PanoTransform();
    PanoTransform(const PanoTransform&) = delete;
    PanoTransform& operator=(const PanoTransform&) = delete;

    // Prepares the transform; false with a message when libpano13 cannot model
    // the panorama projection.
    bool init(const PanoOptions& pano, const ImageDesc& image, Direction direction,
              std::string& error);

    // Maps pixel (x, y) of the input side to the output side, both in image
    // coordinates whose pixel centres lie on whole numbers. Returns false where
    // the transform is undefined, including directions the lens cannot see.
    bool map(double x, double y, double& outX, double& outY) const;

private:
    struct Data;
    std::unique_ptr<Data> d_;
};

}  // namespace nona2
