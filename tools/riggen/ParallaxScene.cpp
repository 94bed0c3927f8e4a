#include "ParallaxScene.h"

#include <algorithm>
#include <cmath>

namespace riggen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator*(double s, const Vec3& a) {
    return {s * a.x, s * a.y, s * a.z};
}
double dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

double longitudeOf(const Vec3& d) {
    return std::atan2(d.x, d.z) / kDeg;
}
double latitudeOf(const Vec3& d) {
    return std::asin(std::clamp(d.y, -1.0, 1.0)) / kDeg;
}

// A saturated colour and a dark one of opposite hue, so objects stand out
// from the pale background and their texture has strong gradients.
void paletteFor(int index, uint8_t out[2][3]) {
    const double hue = std::fmod(index * 0.382, 1.0) * 2.0 * kPi;
    for (int k = 0; k < 2; ++k) {
        const double h = hue + k * kPi;
        const double level = k == 0 ? 0.62 : 0.22, swing = k == 0 ? 0.33 : 0.15;
        // B, G, R around the hue circle.
        out[k][2] = static_cast<uint8_t>(255.0 * (level + swing * std::cos(h)));
        out[k][1] = static_cast<uint8_t>(255.0 * (level + swing * std::cos(h - 2.0944)));
        out[k][0] = static_cast<uint8_t>(255.0 * (level + swing * std::cos(h + 2.0944)));
    }
}

// How much of a ray (from `eye` along unit `dir`) an object covers, with its
// silhouette widened by `grow` and smoothed over `soft` (both radians of the
// ray's angle), and the point of the surface it shows there.
struct Hit {
    double coverage = 0;
    double distance = 0;
    Vec3 point;
};

Hit hitSphere(const SceneObject& o, const Vec3& eye, const Vec3& dir, double soft, double grow) {
    Hit h;
    const Vec3 v = o.centre - eye;
    const double along = dot(v, dir);
    if (along <= 0) return h;
    const double miss = std::sqrt(std::max(0.0, dot(v, v) - along * along));
    const double edge = std::max(soft * along, 1e-9);
    h.coverage = std::clamp((o.radius + grow * along - miss) / edge + 0.5, 0.0, 1.0);
    if (h.coverage <= 0) return h;
    const double inside = std::sqrt(std::max(0.0, o.radius * o.radius - miss * miss));
    h.distance = along - inside;
    h.point = eye + h.distance * dir;
    return h;
}

Hit hitPole(const SceneObject& o, const Vec3& eye, const Vec3& dir, double soft, double grow) {
    Hit h;
    const double flat = dir.x * dir.x + dir.z * dir.z;
    if (flat < 1e-12) return h;
    const double vx = o.centre.x - eye.x, vz = o.centre.z - eye.z;
    const double along = (vx * dir.x + vz * dir.z) / flat;  // ray parameter, metres
    if (along <= 0) return h;
    const double mx = eye.x + along * dir.x - o.centre.x, mz = eye.z + along * dir.z - o.centre.z;
    const double miss = std::sqrt(mx * mx + mz * mz);
    const double edge = std::max(soft * along, 1e-9);
    const double across = std::clamp((o.radius + grow * along - miss) / edge + 0.5, 0.0, 1.0);
    if (across <= 0) return h;
    const double inside = std::sqrt(std::max(0.0, o.radius * o.radius - miss * miss));
    h.distance = along - inside / std::sqrt(flat);
    h.point = eye + h.distance * dir;
    const double height = std::min(h.point.y - o.bottom, o.top - h.point.y);
    const double upright = std::clamp((height + grow * along) / edge + 0.5, 0.0, 1.0);
    h.coverage = across * upright;
    return h;
}

Hit hitObject(const SceneObject& o, const Vec3& eye, const Vec3& dir, double soft, double grow) {
    return o.kind == SceneObject::Kind::Sphere ? hitSphere(o, eye, dir, soft, grow)
                                               : hitPole(o, eye, dir, soft, grow);
}

// The object's own texture at a surface point, shaded by a fixed distant
// light (diffuse only, so every camera sees the same colour there).
void surfaceColour(const SceneObject& o, const Vec3& p, double out[3]) {
    Vec3 n = p - o.centre;
    double t = 0;
    if (o.kind == SceneObject::Kind::Sphere) {
        n = (1.0 / std::max(o.radius, 1e-9)) * n;
        const double az = std::atan2(n.x, n.z), el = std::asin(std::clamp(n.y, -1.0, 1.0));
        t = 0.5 + 1.5 * std::sin(4.0 * az) * std::sin(5.0 * el + 0.4);
    } else {
        n.y = 0;
        n = (1.0 / std::max(std::sqrt(dot(n, n)), 1e-9)) * n;
        const double az = std::atan2(n.x, n.z);
        t = 0.5 + 1.5 * std::sin(2.0 * kPi * p.y / 0.24) * (0.6 + 0.4 * std::sin(3.0 * az));
    }
    t = std::clamp(t, 0.0, 1.0);
    const Vec3 light{0.35, 0.8, -0.48};
    const double shade = 0.6 + 0.4 * std::max(0.0, dot(n, light));
    for (int c = 0; c < 3; ++c) out[c] = shade * (o.colours[0][c] * (1 - t) + o.colours[1][c] * t);
}

SceneObject sphereAt(double lon, double lat, double distance, double angularRadius) {
    SceneObject o;
    o.kind = SceneObject::Kind::Sphere;
    o.centre = distance * directionOf(lon, lat);
    o.radius = distance * std::sin(angularRadius * kDeg);
    return o;
}

// A pole standing on the ground 1.6 m below the rig, up to `top`.
SceneObject poleAt(double lon, double distance, double angularRadius, double top) {
    SceneObject o;
    o.kind = SceneObject::Kind::Pole;
    o.centre = distance * directionOf(lon, 0);
    o.centre.y = 0;
    o.radius = distance * std::sin(angularRadius * kDeg);
    o.bottom = -1.6;
    o.top = top;
    return o;
}

}  // namespace

Vec3 directionOf(double lonDegrees, double latDegrees) {
    const double lon = lonDegrees * kDeg, lat = latDegrees * kDeg;
    return {std::cos(lat) * std::sin(lon), std::sin(lat), std::cos(lat) * std::cos(lon)};
}

Vec3 directionOfGridPixel(double x, double y, int width, int height) {
    return directionOf((x + 0.5) / width * 360.0 - 180.0, 90.0 - (y + 0.5) / height * 180.0);
}

ParallaxScene::ParallaxScene(const std::vector<RigCamera>& cameras, double radius) {
    for (const RigCamera& c : cameras) centres_.push_back(radius * c.axis);

    // Cameras around the horizon in longitude order; a camera looking steeply
    // up or down has no neighbours on the ring.
    std::vector<size_t> ring;
    for (size_t k = 0; k < cameras.size(); ++k)
        if (std::fabs(latitudeOf(cameras[k].axis)) < 60.0) ring.push_back(k);
    std::sort(ring.begin(), ring.end(), [&](size_t a, size_t b) {
        return longitudeOf(cameras[a].axis) < longitudeOf(cameras[b].axis);
    });

    int seam = 0;
    for (size_t k = 0; ring.size() >= 2 && k < ring.size(); ++k) {
        const RigCamera& a = cameras[ring[k]];
        const RigCamera& b = cameras[ring[(k + 1) % ring.size()]];
        const double lonA = longitudeOf(a.axis);
        double gap = longitudeOf(b.axis) - lonA;
        if (gap <= 0) gap += 360.0;
        // Overlap at the horizon, degrees; cameras that do not overlap (the
        // ends of an open arc) have no seam between them.
        const double overlap = (a.hfov + b.hfov) / 2.0 - gap;
        if (overlap <= 0) continue;
        const double mid = lonA + gap / 2.0;
        const double size = std::min(0.15 * overlap, 8.0);
        const double pole = std::min(0.05 * overlap, 2.5);
        // Off the exact middle, so the middle of the overlap cuts the object
        // in both cameras while one side of it stays clear.
        switch (seam % 4) {
            case 0:
                objects_.push_back(sphereAt(mid + 0.12 * overlap, 0.0, 1.2, size));
                break;
            case 1:
                objects_.push_back(poleAt(mid - 0.1 * overlap, 2.5, pole, -0.15));
                objects_.push_back(sphereAt(mid + 0.1 * overlap, 14.0, 2.0, size));
                break;
            case 2:
                objects_.push_back(sphereAt(mid - 0.12 * overlap, -10.0, 3.0, size));
                break;
            default:
                objects_.push_back(poleAt(mid + 0.1 * overlap, 1.6, pole, -0.3));
                objects_.push_back(sphereAt(mid - 0.05 * overlap, 12.0, 1.5, size));
                break;
        }
        ++seam;
    }
    for (SceneObject& o : objects_) o.onSeam = true;
    for (const RigCamera& c : cameras)
        objects_.push_back(sphereAt(longitudeOf(c.axis) + 0.08 * c.hfov, latitudeOf(c.axis) - 4.0,
                                    1.5, 0.05 * c.hfov));
    for (size_t k = 0; k < objects_.size(); ++k)
        paletteFor(static_cast<int>(k), objects_[k].colours);
}

void ParallaxScene::shade(const Vec3& eye, const Vec3& dir, double pixelAngle,
                          const uint8_t background[3], uint8_t bgr[3]) const {
    double colour[3] = {double(background[0]), double(background[1]), double(background[2])};
    // Far objects first, so nearer ones cover them.
    struct Layer {
        Hit hit;
        size_t object;
    };
    Layer layers[64];
    size_t count = 0;
    for (size_t k = 0; k < objects_.size() && count < 64; ++k) {
        const Hit h = hitObject(objects_[k], eye, dir, pixelAngle, 0.0);
        if (h.coverage > 0) layers[count++] = {h, k};
    }
    std::sort(layers, layers + count,
              [](const Layer& a, const Layer& b) { return a.hit.distance > b.hit.distance; });
    for (size_t k = 0; k < count; ++k) {
        double surface[3];
        surfaceColour(objects_[layers[k].object], layers[k].hit.point, surface);
        const double c = layers[k].hit.coverage;
        for (int i = 0; i < 3; ++i) colour[i] = colour[i] * (1 - c) + surface[i] * c;
    }
    for (int i = 0; i < 3; ++i)
        bgr[i] = static_cast<uint8_t>(std::clamp(colour[i] + 0.5, 0.0, 255.0));
}

bool ParallaxScene::nearObject(const Vec3& eye, const Vec3& dir, double marginAngle) const {
    return std::any_of(objects_.begin(), objects_.end(), [&](const SceneObject& o) {
        return hitObject(o, eye, dir, 1e-9, marginAngle).coverage > 0;
    });
}

}  // namespace riggen
