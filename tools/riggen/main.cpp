// riggen: makes sample camera rigs. For every image of a panorama project it
// renders what that camera sees of a synthetic scene, through the inverse of
// the transform nona2 remaps with, so the images agree with the calibration
// exactly and the scene is the ground truth of the stitched panorama.
//
//   riggen [-q QUALITY] [--scene FILE] PROJECT.pto   render the project's images
//   riggen --preset NAME FOLDER                      write a bundled rig and render it
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <opencv2/imgcodecs.hpp>
#include <string>
#include <vector>

#include "PanoTransform.h"
#include "ParallelRows.h"
#include "PtoProject.h"
#include "Scene.h"

namespace {

const char* const kUsage =
    "Usage: riggen [-q QUALITY] [-t THREADS] [--scene FILE] PROJECT.pto\n"
    "       riggen --preset ring4|fisheye3 FOLDER\n"
    "Renders every image named in the project from a synthetic scene (JPEG quality\n"
    "QUALITY, default 90). --scene also writes the scene at panorama size (the\n"
    "ground truth of the stitched panorama). --preset writes FOLDER/NAME.pto of a\n"
    "bundled rig and renders its images.\n";

const char* const kImageTail =
    " Ra0 Rb0 Rc0 Rd0 Re0 Eev0 Er1 Eb1 TrX0 TrY0 TrZ0 Tpy0 Tpp0 j0 g0 t0 Va1 Vb0 Vc0 Vd0 Vx0 "
    "Vy0 Vm5";

std::string ring4Project() {
    std::string text =
        "# ring4: four level rectilinear cameras 1920x1080, hfov 100, yaw 0/90/180/270.\n"
        "# Images rendered by riggen from its synthetic scene.\n"
        "p f2 w3840 h1920 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n"
        "m i0\n";
    const int yaws[] = {0, 90, 180, 270};
    for (int k = 0; k < 4; ++k) {
        text += "i w1920 h1080 f0 " + std::string(k == 0 ? "v100" : "v=0") + " r0 p0 y" +
                std::to_string(yaws[k]) + kImageTail +
                (k == 0 ? " a0 b0 c0 d0 e0" : " a=0 b=0 c=0 d=0 e=0") + " n\"cam" +
                std::to_string(k) + ".jpg\"\n";
    }
    return text;
}

std::string fisheye3Project() {
    // Full-frame fisheyes whose corners see past 90 degrees, so each layer is
    // wider than its middle row's valid run: every camera has a two-edge boundary.
    std::string text =
        "# fisheye3: three full-frame fisheye cameras 1280x960, hfov 160, yaw 0/120/240,\n"
        "# radial distortion a/b/c and a small centre shift d/e.\n"
        "# Images rendered by riggen from its synthetic scene.\n"
        "p f2 w3072 h1536 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n"
        "m i0\n";
    const char* const cams[] = {" r0.5 p-1 y0", " r-0.8 p0.5 y120", " r0.3 p1 y240"};
    for (int k = 0; k < 3; ++k) {
        text += "i w1280 h960 f3 " + std::string(k == 0 ? "v160" : "v=0") + cams[k] + kImageTail +
                (k == 0 ? " a0.012 b-0.035 c0.018 d14 e-9" : " a=0 b=0 c=0 d=0 e=0") + " n\"fish" +
                std::to_string(k) + ".jpg\"\n";
    }
    return text;
}

bool renderImage(const nona2::PtoProject& project, size_t index, int quality, int threads,
                 std::string& error) {
    const nona2::ImageDesc& image = project.images[index];
    const int workers = nona2::workerCount(threads);
    std::vector<std::unique_ptr<nona2::PanoTransform>> transforms;
    for (int w = 0; w < workers; ++w) {
        transforms.push_back(std::make_unique<nona2::PanoTransform>());
        if (!transforms.back()->init(project.pano, image,
                                     nona2::PanoTransform::Direction::SourceToPano, error))
            return false;
    }
    cv::Mat out(image.height, image.width, CV_8UC3, cv::Scalar(0, 0, 0));
    const int pw = project.pano.width, ph = project.pano.height;
    nona2::parallelRows(0, image.height, workers, [&](int y, int worker) {
        uint8_t* px = out.ptr<uint8_t>(y);
        for (int x = 0; x < image.width; ++x, px += 3) {
            double X = 0, Y = 0;
            if (transforms[static_cast<size_t>(worker)]->map(x, y, X, Y))
                riggen::sceneColour(X, Y, pw, ph, px);
        }
    });
    std::vector<int> params{cv::IMWRITE_JPEG_QUALITY, quality};
    if (!cv::imwrite(image.path, out, params)) {
        error = image.path + ": cannot write the image";
        return false;
    }
    return true;
}

bool writeScene(const nona2::PtoProject& project, const std::string& path, int threads,
                std::string& error) {
    const int pw = project.pano.width, ph = project.pano.height;
    cv::Mat out(ph, pw, CV_8UC3);
    nona2::parallelRows(0, ph, nona2::workerCount(threads), [&](int y, int) {
        uint8_t* px = out.ptr<uint8_t>(y);
        for (int x = 0; x < pw; ++x, px += 3) riggen::sceneColour(x, y, pw, ph, px);
    });
    if (!cv::imwrite(path, out)) {
        error = path + ": cannot write the scene";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int quality = 90;
    int threads = 0;
    std::string scenePath, preset, target;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "-h" || a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if ((a == "-q" || a == "-t" || a == "--scene" || a == "--preset") && k + 1 < argc) {
            const std::string v = argv[++k];
            if (a == "-q") quality = std::atoi(v.c_str());
            if (a == "-t") threads = std::atoi(v.c_str());
            if (a == "--scene") scenePath = v;
            if (a == "--preset") preset = v;
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

    std::string projectPath = target;
    if (!preset.empty()) {
        std::string text;
        if (preset == "ring4")
            text = ring4Project();
        else if (preset == "fisheye3")
            text = fisheye3Project();
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
    for (size_t k = 0; k < project.images.size(); ++k) {
        if (!renderImage(project, k, quality, threads, error)) {
            std::fprintf(stderr, "riggen: %s\n", error.c_str());
            return 1;
        }
    }
    if (!scenePath.empty() && !writeScene(project, scenePath, threads, error)) {
        std::fprintf(stderr, "riggen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
