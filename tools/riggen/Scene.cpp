#include "Scene.h"

#include <algorithm>
#include <cmath>

namespace riggen {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Coverage of a soft line of half-width `halfWidth` at distance `dist` (all
// in the same units), with a one-unit-wide smooth edge.
double lineCoverage(double dist, double halfWidth, double edge) {
    const double t = (halfWidth + edge - dist) / edge;
    return std::clamp(t, 0.0, 1.0);
}

// Distance from `v` to the nearest multiple of `period`.
double distanceToMultiple(double v, double period) {
    const double r = std::fmod(std::fabs(v), period);
    return std::min(r, period - r);
}

}  // namespace

void sceneColour(double x, double y, int width, int height, uint8_t bgr[3]) {
    // Longitude -180..180 and latitude 90..-90 for the canvas.
    double lon = (x + 0.5) / width * 360.0 - 180.0;
    const double lat = 90.0 - (y + 0.5) / height * 180.0;
    lon = std::fmod(lon + 540.0, 360.0) - 180.0;
    const double degPerPixel = 360.0 / width;

    // Background: hue around the horizon, sky above, ground below.
    const double hue = (lon + 180.0) / 360.0 * 2.0 * kPi;
    double r = 0.55 + 0.35 * std::cos(hue);
    double g = 0.55 + 0.35 * std::cos(hue - 2.0944);
    double b = 0.55 + 0.35 * std::cos(hue + 2.0944);
    const double up = lat / 90.0;
    if (up > 0) {  // towards a pale sky
        r = r * (1 - up) + 0.75 * up;
        g = g * (1 - up) + 0.85 * up;
        b = b * (1 - up) + 1.00 * up;
    } else {  // towards dark ground with soft stripes
        const double k = -up;
        const double stripe = 0.5 + 0.5 * std::sin(lat * 0.9 + lon * 0.25);
        r = r * (1 - k) + (0.30 + 0.15 * stripe) * k;
        g = g * (1 - k) + (0.25 + 0.10 * stripe) * k;
        b = b * (1 - k) + (0.15 + 0.05 * stripe) * k;
    }

    // Landmarks: discs with a dark ring every 30 degrees on three latitudes,
    // each with its own colour so cameras can be told apart.
    const double markLat[] = {-30.0, 0.0, 30.0};
    for (int row = 0; row < 3; ++row) {
        const double centreLon = std::round(lon / 30.0) * 30.0 + (row == 1 ? 0.0 : 15.0);
        for (double cl : {centreLon - 30.0, centreLon, centreLon + 30.0}) {
            double dLon = std::fmod(lon - cl + 540.0, 360.0) - 180.0;
            dLon *= std::cos(markLat[row] * kPi / 180.0);
            const double dist = std::hypot(dLon, lat - markLat[row]);
            if (dist > 5.0) continue;
            const int id = static_cast<int>(std::lround((cl + 180.0) / 30.0)) + row * 7;
            const double mr = 0.5 + 0.5 * std::sin(id * 1.7);
            const double mg = 0.5 + 0.5 * std::sin(id * 2.3 + 1.0);
            const double mb = 0.5 + 0.5 * std::sin(id * 3.1 + 2.0);
            const double fill = lineCoverage(dist, 3.2, degPerPixel * 1.5);
            r = r * (1 - fill) + mr * fill;
            g = g * (1 - fill) + mg * fill;
            b = b * (1 - fill) + mb * fill;
            const double ring = lineCoverage(std::fabs(dist - 3.9), 0.35, degPerPixel * 1.5);
            r *= 1 - 0.85 * ring;
            g *= 1 - 0.85 * ring;
            b *= 1 - 0.85 * ring;
        }
    }

    // Grid every 10 degrees, a little over two panorama pixels wide.
    const double halfWidth = degPerPixel * 1.1;
    const double edge = degPerPixel * 1.2;
    const double cosLat = std::max(0.05, std::cos(lat * kPi / 180.0));
    const double gridLon = lineCoverage(distanceToMultiple(lon, 10.0) * cosLat, halfWidth, edge);
    const double gridLat = lineCoverage(distanceToMultiple(lat, 10.0), halfWidth, edge);
    const double grid = std::max(gridLon, gridLat) * 0.7;
    r *= 1 - grid;
    g *= 1 - grid;
    b *= 1 - grid;

    bgr[0] = static_cast<uint8_t>(std::clamp(b * 255.0 + 0.5, 0.0, 255.0));
    bgr[1] = static_cast<uint8_t>(std::clamp(g * 255.0 + 0.5, 0.0, 255.0));
    bgr[2] = static_cast<uint8_t>(std::clamp(r * 255.0 + 0.5, 0.0, 255.0));
}

}  // namespace riggen
