// riggen: makes sample camera rigs. For every image of a panorama project it
// renders what that camera sees of a synthetic scene, through the inverse of
// the transform nona2 remaps with, so the images agree with the calibration
// exactly and the scene is the ground truth of the stitched panorama.
//
//   riggen [-q QUALITY] [--scene FILE] PROJECT.pto   render the project's images
//   riggen --preset NAME FOLDER                      write a bundled rig and render it
//
// With --parallax-radius the cameras' centres move off the rig's centre and
// near objects join the scene (ParallaxScene.h); the project stays the
// rotation-only calibration, which then holds for the background only.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <opencv2/imgcodecs.hpp>
#include <optional>
#include <string>
#include <vector>

#include "PanoTransform.h"
#include "ParallaxScene.h"
#include "ParallelRows.h"
#include "PtoProject.h"
#include "Scene.h"

namespace {

const char* const kUsage =
    "Usage: riggen [-q QUALITY] [-t THREADS] [--scene FILE] [--parallax-radius METRES\n"
    "              [--background-mask FILE]] PROJECT.pto\n"
    "       riggen [options] --preset ring4|fisheye3|arc3 FOLDER\n"
    "Renders every image named in the project from a synthetic scene (JPEG quality\n"
    "QUALITY, default 90; the image names' extensions choose the format). --scene\n"
    "also writes the scene at panorama size (the ground truth of the stitched\n"
    "panorama). --preset writes FOLDER/NAME.pto of a bundled rig and renders its\n"
    "images: ring4 and fisheye3 close the circle, arc3 covers 220 degrees.\n"
    "--parallax-radius puts every camera's centre that far from the rig's centre,\n"
    "along its axis, and adds near textured objects, some on the seams between\n"
    "neighbouring cameras; the project stays rotation-only, so it fits the distant\n"
    "background only. The scene is then the view from the rig's centre, and\n"
    "--background-mask writes a panorama-size mask, white where neither the rig's\n"
    "centre nor any camera sees an object within three pixels.\n";

const char* const kImageTail =
    " Ra0 Rb0 Rc0 Rd0 Re0 Eev0 Er1 Eb1 TrX0 TrY0 TrZ0 Tpy0 Tpp0 j0 g0 t0 Va1 Vb0 Vc0 Vd0 Vx0 "
    "Vy0 Vm5";

// A bundled rig: the comment, the panorama line and, per camera, its lens and
// orientation; the first camera's lens values are linked to by the others.
std::string rigProject(const std::string& comment, const std::string& panoLine,
                       const std::string& lens, const std::string& hfov,
                       const std::string& distortion, const std::vector<std::string>& orientations,
                       const std::string& name) {
    std::string text =
        comment + "# Images rendered by riggen from its synthetic scene.\n" + panoLine + "\nm i0\n";
    for (size_t k = 0; k < orientations.size(); ++k) {
        text += "i " + lens + (k == 0 ? " v" + hfov : std::string(" v=0")) + " " + orientations[k] +
                kImageTail + (k == 0 ? distortion : std::string(" a=0 b=0 c=0 d=0 e=0")) + " n\"" +
                name + std::to_string(k) + ".jpg\"\n";
    }
    return text;
}

std::string ring4Project() {
    return rigProject(
        "# ring4: four level rectilinear cameras 1920x1080, hfov 100, yaw 0/90/180/270.\n",
        "p f2 w3840 h1920 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"", "w1920 h1080 f0", "100",
        " a0 b0 c0 d0 e0", {"r0 p0 y0", "r0 p0 y90", "r0 p0 y180", "r0 p0 y270"}, "cam");
}

std::string fisheye3Project() {
    // Full-frame fisheyes whose corners see past 90 degrees, so each layer is
    // wider than its middle row's valid run: every camera has a two-edge boundary.
    return rigProject(
        "# fisheye3: three full-frame fisheye cameras 1280x960, hfov 160, yaw 0/120/240,\n"
        "# radial distortion a/b/c and a small centre shift d/e.\n",
        "p f2 w3072 h1536 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"", "w1280 h960 f3", "160",
        " a0.012 b-0.035 c0.018 d14 e-9", {"r0.5 p-1 y0", "r-0.8 p0.5 y120", "r0.3 p1 y240"},
        "fish");
}

std::string arc3Project() {
    // A head that does not close the circle: the end cameras overlap one
    // neighbour only, and the canvas holds their outer sides whole.
    return rigProject(
        "# arc3: three level rectilinear cameras 1920x1080, hfov 90, yaw -60/0/60,\n"
        "# on a 220 x 110 degree equirectangular canvas.\n",
        "p f2 w2640 h1320 v220 E0 R0 n\"TIFF_m c:LZW r:CROP\"", "w1920 h1080 f0", "90",
        " a0 b0 c0 d0 e0", {"r0 p0 y-60", "r0 p0 y0", "r0 p0 y60"}, "arc");
}

constexpr double kPi = 3.14159265358979323846;

// The parallax scene of a project, and how its pixels find their directions:
// a camera pixel through its calibration to a full-sphere equirectangular
// grid of the panorama's resolution, and a panorama pixel through an
// equirectangular "image" covering that grid. The background is the plain
// scene on that grid, so on a 360-degree equirectangular panorama it is
// exactly the scene of the rotation-only rig.
struct Parallax {
    nona2::PanoOptions sphere;
    nona2::ImageDesc sphereImage;
    std::unique_ptr<riggen::ParallaxScene> scene;

    double gridPixelAngle() const { return 2.0 * kPi / sphere.width; }
};

bool makeParallax(const nona2::PtoProject& project, double radius, Parallax& out,
                  std::string& error) {
    const double hfov = project.pano.hfov > 0 ? project.pano.hfov : 360.0;
    out.sphere.projection = 2;
    out.sphere.hfov = 360.0;
    out.sphere.width =
        std::max(2, static_cast<int>(std::lround(project.pano.width * 360.0 / hfov)));
    out.sphere.height = out.sphere.width / 2;
    out.sphereImage.width = out.sphere.width;
    out.sphereImage.height = out.sphere.height;
    out.sphereImage.projection = 4;  // equirectangular
    out.sphereImage.vars["v"] = 360.0;
    std::vector<riggen::RigCamera> cameras;
    for (const nona2::ImageDesc& image : project.images) {
        nona2::PanoTransform t;
        if (!t.init(out.sphere, image, nona2::PanoTransform::Direction::SourceToPano, error))
            return false;
        double x = 0, y = 0;
        if (!t.map(image.width / 2.0 - 0.5, image.height / 2.0 - 0.5, x, y)) {
            error = image.path + ": the image centre has no direction";
            return false;
        }
        cameras.push_back({riggen::directionOfGridPixel(x, y, out.sphere.width, out.sphere.height),
                           image.var("v")});
    }
    out.scene = std::make_unique<riggen::ParallaxScene>(cameras, radius);
    return true;
}

// One transform per worker thread.
bool makeTransforms(const nona2::PanoOptions& pano, const nona2::ImageDesc& image,
                    nona2::PanoTransform::Direction direction, int workers,
                    std::vector<std::unique_ptr<nona2::PanoTransform>>& out, std::string& error) {
    for (int w = 0; w < workers; ++w) {
        out.push_back(std::make_unique<nona2::PanoTransform>());
        if (!out.back()->init(pano, image, direction, error)) return false;
    }
    return true;
}

bool writeImage(const std::string& path, const cv::Mat& image, int quality, std::string& error,
                const char* what) {
    // Quality 0: the codec's defaults.
    std::vector<int> params;
    if (quality > 0) params = {cv::IMWRITE_JPEG_QUALITY, quality};
    if (!cv::imwrite(path, image, params)) {
        error = path + ": cannot write the " + what;
        return false;
    }
    return true;
}

bool renderImage(const nona2::PtoProject& project, size_t index, int quality, int threads,
                 const Parallax* parallax, std::string& error) {
    const nona2::ImageDesc& image = project.images[index];
    const int workers = nona2::workerCount(threads);
    std::vector<std::unique_ptr<nona2::PanoTransform>> transforms;
    if (!makeTransforms(parallax ? parallax->sphere : project.pano, image,
                        nona2::PanoTransform::Direction::SourceToPano, workers, transforms, error))
        return false;
    cv::Mat out(image.height, image.width, CV_8UC3, cv::Scalar(0, 0, 0));
    const int pw = parallax ? parallax->sphere.width : project.pano.width;
    const int ph = parallax ? parallax->sphere.height : project.pano.height;
    const double pixelAngle = image.var("v") * kPi / 180.0 / std::max(1, image.width);
    nona2::parallelRows(0, image.height, workers, [&](int y, int worker) {
        uint8_t* px = out.ptr<uint8_t>(y);
        for (int x = 0; x < image.width; ++x, px += 3) {
            double X = 0, Y = 0;
            if (!transforms[static_cast<size_t>(worker)]->map(x, y, X, Y)) continue;
            riggen::sceneColour(X, Y, pw, ph, px);
            if (parallax) {
                const uint8_t background[3] = {px[0], px[1], px[2]};
                parallax->scene->shade(parallax->scene->cameraCentres()[index],
                                       riggen::directionOfGridPixel(X, Y, pw, ph), pixelAngle,
                                       background, px);
            }
        }
    });
    return writeImage(image.path, out, quality, error, "image");
}

// Runs `fn(x, y, px)` for every panorama pixel; with a parallax scene (x, y)
// are the pixel's place on its sphere grid, and false is passed for a pixel
// without a direction.
template <typename Fn>
bool forPanoramaPixels(const nona2::PtoProject& project, const Parallax* parallax, int threads,
                       cv::Mat& out, Fn fn, std::string& error) {
    const int workers = nona2::workerCount(threads);
    std::vector<std::unique_ptr<nona2::PanoTransform>> transforms;
    if (parallax &&
        !makeTransforms(project.pano, parallax->sphereImage,
                        nona2::PanoTransform::Direction::PanoToSource, workers, transforms, error))
        return false;
    nona2::parallelRows(0, out.rows, workers, [&](int y, int worker) {
        uchar* px = out.ptr<uchar>(y);
        for (int x = 0; x < out.cols; ++x, px += out.channels()) {
            double X = x, Y = y;
            const bool mapped =
                !parallax || transforms[static_cast<size_t>(worker)]->map(x, y, X, Y);
            fn(X, Y, mapped, px);
        }
    });
    return true;
}

bool writeScene(const nona2::PtoProject& project, const std::string& path, int threads,
                const Parallax* parallax, std::string& error) {
    const int pw = parallax ? parallax->sphere.width : project.pano.width;
    const int ph = parallax ? parallax->sphere.height : project.pano.height;
    cv::Mat out(project.pano.height, project.pano.width, CV_8UC3, cv::Scalar(0, 0, 0));
    const bool ok = forPanoramaPixels(
        project, parallax, threads, out,
        [&](double X, double Y, bool mapped, uchar* px) {
            if (!mapped) return;
            riggen::sceneColour(X, Y, pw, ph, px);
            if (!parallax) return;
            const uint8_t background[3] = {px[0], px[1], px[2]};
            parallax->scene->shade({}, riggen::directionOfGridPixel(X, Y, pw, ph),
                                   parallax->gridPixelAngle(), background, px);
        },
        error);
    return ok && writeImage(path, out, 0, error, "scene");
}

bool writeBackgroundMask(const nona2::PtoProject& project, const std::string& path, int threads,
                         const Parallax& parallax, std::string& error) {
    std::vector<riggen::Vec3> eyes = parallax.scene->cameraCentres();
    eyes.push_back({});
    const double margin = 3.0 * parallax.gridPixelAngle();
    cv::Mat out(project.pano.height, project.pano.width, CV_8UC1, cv::Scalar(0));
    const bool ok = forPanoramaPixels(
        project, &parallax, threads, out,
        [&](double X, double Y, bool mapped, uchar* px) {
            if (!mapped) return;
            const riggen::Vec3 dir =
                riggen::directionOfGridPixel(X, Y, parallax.sphere.width, parallax.sphere.height);
            for (const riggen::Vec3& eye : eyes)
                if (parallax.scene->nearObject(eye, dir, margin)) return;
            *px = 255;
        },
        error);
    return ok && writeImage(path, out, 100, error, "background mask");
}

}  // namespace

int main(int argc, char** argv) {
    int quality = 90;
    int threads = 0;
    std::optional<double> parallaxRadius;
    std::string scenePath, maskPath, preset, target;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if ((a == "-q" || a == "-t" || a == "--scene" || a == "--preset" ||
             a == "--parallax-radius" || a == "--background-mask") &&
            k + 1 < argc) {
            const std::string v = argv[++k];
            if (a == "-q") quality = std::atoi(v.c_str());
            if (a == "-t") threads = std::atoi(v.c_str());
            if (a == "--scene") scenePath = v;
            if (a == "--preset") preset = v;
            if (a == "--background-mask") maskPath = v;
            if (a == "--parallax-radius") {
                char* end = nullptr;
                parallaxRadius = std::strtod(v.c_str(), &end);
                if (end == v.c_str() || *end != 0 || !(*parallaxRadius >= 0) ||
                    *parallaxRadius > 1.0) {
                    std::fprintf(stderr,
                                 "riggen: --parallax-radius wants metres from 0 to 1, not '%s'\n",
                                 v.c_str());
                    return 2;
                }
            }
        } else if (!a.empty() && a[0] != '-' && target.empty()) {
            target = a;
        } else {
            std::fprintf(stderr, "riggen: unexpected argument '%s'\n%s", a.c_str(), kUsage);
            return 2;
        }
    }
    if (target.empty() || quality < 1 || quality > 100 || threads < 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!maskPath.empty() && !parallaxRadius) {
        std::fputs("riggen: --background-mask needs --parallax-radius\n", stderr);
        return 2;
    }

    std::string projectPath = target;
    if (!preset.empty()) {
        std::string text;
        if (preset == "ring4")
            text = ring4Project();
        else if (preset == "fisheye3")
            text = fisheye3Project();
        else if (preset == "arc3")
            text = arc3Project();
        else {
            std::fprintf(stderr, "riggen: unknown preset '%s'\n", preset.c_str());
            return 2;
        }
        projectPath = target + "/" + preset + ".pto";
        std::ofstream out(projectPath, std::ios::binary);
        out << text;
        if (!out.good()) {
            std::fprintf(stderr, "riggen: %s: cannot write the project\n", projectPath.c_str());
            return 1;
        }
    }

    nona2::PtoProject project;
    std::string error;
    if (!nona2::readPtoFile(projectPath, project, error)) {
        std::fprintf(stderr, "riggen: %s\n", error.c_str());
        return 1;
    }
    Parallax parallax;
    if (parallaxRadius && !makeParallax(project, *parallaxRadius, parallax, error)) {
        std::fprintf(stderr, "riggen: %s\n", error.c_str());
        return 1;
    }
    const Parallax* scene = parallaxRadius ? &parallax : nullptr;
    for (size_t k = 0; k < project.images.size(); ++k) {
        if (!renderImage(project, k, quality, threads, scene, error)) {
            std::fprintf(stderr, "riggen: %s\n", error.c_str());
            return 1;
        }
    }
    if ((!scenePath.empty() && !writeScene(project, scenePath, threads, scene, error)) ||
        (!maskPath.empty() && !writeBackgroundMask(project, maskPath, threads, parallax, error))) {
        std::fprintf(stderr, "riggen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
