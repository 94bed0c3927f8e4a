// A scene with depth for rigs whose cameras do not share one centre: the
// textured background of Scene.h at infinity, and textured spheres and poles
// one to a few metres away, placed on the seams between neighbouring cameras
// (where parallax shows) and in front of each camera. The rig's calibration
// stays rotation-only, so the background agrees with it exactly while the
// near objects land at different panorama places in neighbouring cameras.
//
// World frame: metres, origin at the rig's centre; a direction of longitude
// `lon` and latitude `lat` (the panorama's, in degrees) is
// (cos lat sin lon, sin lat, cos lat cos lon), so y is up.
#pragma once

#include <cstdint>
#include <vector>

namespace riggen {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

// Unit direction of longitude / latitude in degrees.
Vec3 directionOf(double lonDegrees, double latDegrees);
// The same for a pixel of a 360 x 180 degree equirectangular grid `width` x
// `height`, pixel centres on whole numbers (as sceneColour reads it).
Vec3 directionOfGridPixel(double x, double y, int width, int height);

// What the scene needs to know of one camera: where it looks (the direction
// of its image centre) and its horizontal field of view in degrees.
struct RigCamera {
    Vec3 axis;
    double hfov = 0;
};

struct SceneObject {
    enum class Kind { Sphere, Pole } kind = Kind::Sphere;
    Vec3 centre;  // a sphere's centre; a pole's foot point (its axis is vertical)
    double radius = 0;
    double bottom = 0, top = 0;  // a pole's extent in y, metres
    uint8_t colours[2][3] = {};  // BGR of the two texture colours
    bool onSeam = false;         // placed between two neighbouring cameras
};

class ParallaxScene {
public:
    // Camera centres on a sphere of `radius` metres around the rig's centre,
    // each on its own axis (a level ring gives a circle), and the objects:
    // neighbouring cameras (by longitude, overlapping horizontally) get a
    // sphere or a pole on the middle of their overlap, sized for it; every
    // camera gets a sphere ahead of it.
    ParallaxScene(const std::vector<RigCamera>& cameras, double radius);

    const std::vector<Vec3>& cameraCentres() const { return centres_; }
    const std::vector<SceneObject>& objects() const { return objects_; }

    // Colour (B, G, R) seen from `eye` along the unit direction `dir`: the
    // background colour `background` (what lies at infinity that way) behind
    // the objects, whose silhouettes are smoothed over `pixelAngle` radians.
    void shade(const Vec3& eye, const Vec3& dir, double pixelAngle, const uint8_t background[3],
               uint8_t bgr[3]) const;
    // Whether a ray from `eye` along `dir` passes within `marginAngle` radians
    // of an object (the ray's angular distance from its silhouette).
    bool nearObject(const Vec3& eye, const Vec3& dir, double marginAngle) const;

private:
    std::vector<Vec3> centres_;
    std::vector<SceneObject> objects_;
};

}  // namespace riggen
