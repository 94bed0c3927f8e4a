// Remaps small generated rigs with nona2 and with Debian's nona (the
// reference, package hugin-tools) and compares layer placement, alpha, map
// positions and colours.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "LoaderReads.h"
#include "ToolRunner.h"
#include "geometry/ContentSeam.h"
#include "geometry/OverlapStrip.h"
#include "geometry/SeamDisagreement.h"

using namespace toolrun;

namespace {

const char* const kNona = "/usr/bin/nona";
const char* const kTail =
    " Ra0 Rb0 Rc0 Rd0 Re0 Eev0 Er1 Eb1 TrX0 TrY0 TrZ0 Tpy0 Tpp0 j0 Va1 Vb0 Vc0 "
    "Vd0 Vx0 Vy0 Vm5";

struct Layer {
    cv::Mat bgra;
    cv::Mat mapX, mapY;  // float (ours) or converted from nona's 16-bit maps
    int left = 0, top = 0;
};

struct Figures {
    int boxLeft = 0, boxTop = 0, boxRight = 0, boxBottom = 0;  // differences in pixels
    double alphaAgreement = 1.0;
    double mapAgreement = 1.0;
    double psnr = 99.0;
    int bothValid = 0;
};

// Bounding box of alpha > 0 in panorama coordinates; false when empty.
bool validBox(const Layer& l, cv::Rect& box) {
    cv::Mat alpha;
    cv::extractChannel(l.bgra, alpha, 3);
    const cv::Rect r = cv::boundingRect(alpha > 0);
    if (r.empty()) return false;
    box = r + cv::Point(l.left, l.top);
    return true;
}

bool alphaAt(const Layer& l, int x, int y) {
    const int lx = x - l.left, ly = y - l.top;
    if (lx < 0 || ly < 0 || lx >= l.bgra.cols || ly >= l.bgra.rows) return false;
    return l.bgra.at<cv::Vec4b>(ly, lx)[3] != 0;
}

Figures compare(const Layer& ours, const Layer& ref) {
    Figures f;
    cv::Rect a, b;
    EXPECT_TRUE(validBox(ours, a));
    EXPECT_TRUE(validBox(ref, b));
    f.boxLeft = a.x - b.x;
    f.boxTop = a.y - b.y;
    f.boxRight = a.br().x - b.br().x;
    f.boxBottom = a.br().y - b.br().y;
    const cv::Rect all = a | b;
    long unionCount = 0, mismatch = 0, mapOk = 0;
    double squared = 0;
    for (int y = all.y; y < all.br().y; ++y) {
        for (int x = all.x; x < all.br().x; ++x) {
            const bool va = alphaAt(ours, x, y), vb = alphaAt(ref, x, y);
            if (!va && !vb) continue;
            ++unionCount;
            if (va != vb) {
                ++mismatch;
                continue;
            }
            ++f.bothValid;
            const int ax = x - ours.left, ay = y - ours.top;
            const int bx = x - ref.left, by = y - ref.top;
            const double dx = std::round(ours.mapX.at<float>(ay, ax)) - ref.mapX.at<float>(by, bx);
            const double dy = std::round(ours.mapY.at<float>(ay, ax)) - ref.mapY.at<float>(by, bx);
            if (std::fabs(dx) <= 1.0 && std::fabs(dy) <= 1.0) ++mapOk;
            const cv::Vec4b pa = ours.bgra.at<cv::Vec4b>(ay, ax);
            const cv::Vec4b pb = ref.bgra.at<cv::Vec4b>(by, bx);
            for (int c = 0; c < 3; ++c) squared += (pa[c] - pb[c]) * double(pa[c] - pb[c]);
        }
    }
    if (unionCount) f.alphaAgreement = 1.0 - double(mismatch) / double(unionCount);
    if (f.bothValid) {
        f.mapAgreement = double(mapOk) / f.bothValid;
        const double mse = squared / (3.0 * f.bothValid);
        f.psnr = mse > 0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : 99.0;
    }
    return f;
}

Layer readOurs(const fs::path& dir, int i) {
    Layer l;
    const std::string base = (dir / ("pic000" + std::to_string(i))).string();
    l.bgra = cv::imread(base + ".tif", cv::IMREAD_UNCHANGED);
    l.mapX = readMapTiff(base + "_x.tif").map;
    l.mapY = readMapTiff(base + "_y.tif").map;
    const cv::Point offset = loaderOffset(base + ".tif");
    l.left = offset.x;
    l.top = offset.y;
    return l;
}

Layer readNona(const fs::path& dir, int i) {
    Layer l;
    char name[32];
    std::snprintf(name, sizeof(name), "pic%04d", i);
    const std::string base = (dir / name).string();
    l.bgra = cv::imread(base + ".tif", cv::IMREAD_UNCHANGED);
    cv::imread(base + "_x.tif", cv::IMREAD_UNCHANGED).convertTo(l.mapX, CV_32F);
    cv::imread(base + "_y.tif", cv::IMREAD_UNCHANGED).convertTo(l.mapY, CV_32F);
    // nona's offset: XPosition times XResolution, rounded.
    float x = 0, y = 0, rx = 150, ry = 150;
    if (TIFF* tif = TIFFOpen((base + ".tif").c_str(), "r")) {
        TIFFGetField(tif, TIFFTAG_XPOSITION, &x);
        TIFFGetField(tif, TIFFTAG_YPOSITION, &y);
        TIFFGetField(tif, TIFFTAG_XRESOLUTION, &rx);
        TIFFGetField(tif, TIFFTAG_YRESOLUTION, &ry);
        TIFFClose(tif);
    }
    l.left = static_cast<int>(std::lround(double(x) * rx));
    l.top = static_cast<int>(std::lround(double(y) * ry));
    return l;
}

std::string imageLine(const std::string& lens, const std::string& orientation,
                      const std::string& distortion, const std::string& name) {
    return "i " + lens + " " + orientation + " " + distortion + kTail + " n\"" + name + "\"\n";
}

// Renders the rig's images with riggen, remaps every image with both tools and
// checks the figures against the thresholds.
void compareRig(const std::string& name, const std::string& pto, int images, bool cropped) {
    if (!fs::exists(kNona)) GTEST_SKIP() << "Debian's nona (hugin-tools) is not installed";
    const fs::path dir = freshDir("cmp_" + name);
    writeText(dir / "rig.pto", pto);
    const Result gen = run(dir, bin("riggen") + " rig.pto");
    ASSERT_EQ(gen.exitCode, 0) << gen.output;
    fs::create_directories(dir / "ours");
    fs::create_directories(dir / "nona");
    for (int i = 0; i < images; ++i) {
        SCOPED_TRACE(name + " image " + std::to_string(i));
        const std::string args =
            " -c -z LZW -r ldr -m TIFF_m -o pic -i " + std::to_string(i) + " ../rig.pto";
        const Result a = run(dir / "ours", bin("nona2") + args);
        ASSERT_EQ(a.exitCode, 0) << a.output;
        const Result b = run(dir / "nona", std::string(kNona) + args);
        ASSERT_EQ(b.exitCode, 0) << b.output;
        const Layer ours = readOurs(dir / "ours", i);
        const Layer ref = readNona(dir / "nona", i);
        ASSERT_TRUE(ours.bgra.type() == CV_8UC4 && ref.bgra.type() == CV_8UC4);
        ASSERT_TRUE(ours.mapX.size() == ours.bgra.size() && ours.mapY.size() == ours.bgra.size() &&
                    ref.mapX.size() == ref.bgra.size());
        // The layer sits where nona puts it: the whole canvas without r:CROP,
        // otherwise nona's box with its transparent margin, which the boundary
        // scan of a level camera depends on.
        const cv::Rect layer(ours.left, ours.top, ours.bgra.cols, ours.bgra.rows);
        const cv::Rect refLayer(ref.left, ref.top, ref.bgra.cols, ref.bgra.rows);
        if (!cropped) {
            EXPECT_EQ(layer, cv::Rect(0, 0, ref.bgra.cols, ref.bgra.rows));
        }
        EXPECT_LE(std::max({std::abs(layer.x - refLayer.x), std::abs(layer.y - refLayer.y),
                            std::abs(layer.width - refLayer.width),
                            std::abs(layer.height - refLayer.height)}),
                  1);
        const Figures f = compare(ours, ref);
        std::printf(
            "%s image %d: layer %dx%d+%d+%d (nona %dx%d+%d+%d), box diff l%+d t%+d r%+d b%+d, "
            "alpha %.4f%%, maps %.4f%%, PSNR %.1f dB (%d pixels)\n",
            name.c_str(), i, layer.width, layer.height, layer.x, layer.y, refLayer.width,
            refLayer.height, refLayer.x, refLayer.y, f.boxLeft, f.boxTop, f.boxRight, f.boxBottom,
            100 * f.alphaAgreement, 100 * f.mapAgreement, f.psnr, f.bothValid);
        EXPECT_LE(std::max({std::abs(f.boxLeft), std::abs(f.boxTop), std::abs(f.boxRight),
                            std::abs(f.boxBottom)}),
                  1);
        EXPECT_GE(f.alphaAgreement, 0.995);
        EXPECT_GE(f.mapAgreement, 0.999);
        EXPECT_GE(f.psnr, 35.0);
        EXPECT_GT(f.bothValid, 1000);
    }
    fs::remove_all(dir);
}

std::string ringRig(bool crop) {
    std::string pto = std::string("p f2 w1200 h600 v360 E0 R0 n\"TIFF_m c:LZW") +
                      (crop ? " r:CROP" : "") + "\"\n";
    const char* const yaws[] = {"y0", "y90", "y180", "y270"};
    for (int k = 0; k < 4; ++k)
        pto += imageLine(std::string("w480 h270 f0 ") + (k ? "v=0" : "v100"),
                         std::string("r0 p0 ") + yaws[k], "a0 b0 c0 d0 e0 g0 t0",
                         "ring" + std::to_string(k) + ".jpg");
    // An exclude mask on camera 1 clears part of its layer.
    pto += "k i1 t0 p\"300 40 420 60 400 200 320 180\"\n";
    return pto;
}

}  // namespace

TEST(NonaComparison, RectilinearRingCropped) {
    compareRig("ring_crop", ringRig(true), 4, true);
}

TEST(NonaComparison, RectilinearRingWholeCanvas) {
    compareRig("ring_full", ringRig(false), 4, false);
}

TEST(NonaComparison, FisheyeWithRadialDistortion) {
    std::string pto = "p f2 w1200 h600 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n";
    const char* const orient[] = {"r0 p0 y0", "r0 p0 y120", "r0 p0 y240"};
    for (int k = 0; k < 3; ++k)
        pto += imageLine(std::string("w400 h300 f3 ") + (k ? "v=0" : "v160"), orient[k],
                         k ? "a=0 b=0 c=0 d0 e0 g0 t0" : "a0.012 b-0.035 c0.018 d0 e0 g0 t0",
                         "fish" + std::to_string(k) + ".jpg");
    // A circular fisheye: its S crop is the circle inscribed in the rectangle.
    pto += imageLine("w400 h400 f2 v180", "r0 p35 y60", "a0 b0 c0 d0 e0 g0 t0 S40,360,40,360",
                     "circ.jpg");
    compareRig("fisheye", pto, 4, true);
}

TEST(NonaComparison, CylindricalWithPanoramaCrop) {
    std::string pto = "p f1 w1000 h400 v300 E0 R0 S60,940,50,330 n\"TIFF_m c:LZW r:CROP\"\n";
    for (int k = 0; k < 3; ++k)
        pto += imageLine(std::string("w400 h300 f0 ") + (k ? "v=0" : "v90"),
                         "r0 p0 y" + std::to_string(k * 100 - 100), "a0 b0 c0 d0 e0 g0 t0",
                         "cyl" + std::to_string(k) + ".jpg");
    compareRig("cyl_crop", pto, 3, true);
}

TEST(NonaComparison, RollPitchAndCentreShifts) {
    for (bool crop : {true, false}) {
        std::string pto = std::string("p f2 w1000 h500 v360 E0 R0 n\"TIFF_m c:LZW") +
                          (crop ? " r:CROP" : "") + "\"\n";
        pto += imageLine("w400 h300 f0 v80", "r10 p-15 y30", "a0 b0 c0 d20 e-15 g0 t0", "t0.jpg");
        pto += imageLine("w400 h300 f0 v80", "r-5 p20 y150", "a0 b0 c0 d-10 e12 g0 t0", "t1.jpg");
        pto += imageLine("w400 h300 f0 v80", "r3 p55 y270", "a0 b0 c0 d5 e5 g0 t0", "t2.jpg");
        compareRig(crop ? "tilt_crop" : "tilt_full", pto, 3, crop);
    }
}

// riggen's parallax scene: cameras 6 cm off the rig's centre see the distant
// background where the rotation-only calibration puts it, so each image
// remapped by either tool matches the scene (the view from the centre) there
// to well under a grey level; the near objects break that agreement, which is
// what makes neighbouring cameras disagree in their overlap and seams matter.
TEST(NonaComparison, ParallaxSceneBackgroundAgreesWithTheCalibration) {
    if (!fs::exists(kNona)) GTEST_SKIP() << "Debian's nona (hugin-tools) is not installed";
    const fs::path dir = freshDir("parallax");
    // Lossless images four times finer than the panorama: what remains is the
    // interpolation of the scene's sharp grid lines (0.65 grey levels with
    // images half as fine, as much on the same rig without parallax).
    std::string pto = "p f2 w640 h320 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n";
    for (int k = 0; k < 4; ++k)
        pto += imageLine(std::string("w800 h450 f0 ") + (k ? "v=0" : "v110"),
                         "r0 p0 y" + std::to_string(90 * k), "a0 b0 c0 d0 e0 g0 t0",
                         "p" + std::to_string(k) + ".png");
    writeText(dir / "rig.pto", pto);
    const Result gen = run(dir, bin("riggen") +
                                    " --parallax-radius 0.06 --scene scene.png "
                                    "--background-mask bg.png rig.pto");
    ASSERT_EQ(gen.exitCode, 0) << gen.output;
    const cv::Mat scene = cv::imread((dir / "scene.png").string(), cv::IMREAD_COLOR);
    const cv::Mat background = cv::imread((dir / "bg.png").string(), cv::IMREAD_GRAYSCALE);
    ASSERT_EQ(scene.size(), cv::Size(640, 320));
    ASSERT_EQ(background.size(), scene.size());

    // Mean |difference| per channel over panorama pixels where `select` holds.
    struct Mean {
        double sum = 0;
        long n = 0;
        double value() const { return n ? sum / (3.0 * n) : 0; }
    };
    auto add = [](Mean& m, const uchar* a, const uchar* b) {
        for (int c = 0; c < 3; ++c) m.sum += std::abs(a[c] - b[c]);
        ++m.n;
    };
    std::vector<Layer> ours;
    for (const char* tool : {"nona2", "nona"}) {
        fs::create_directories(dir / tool);
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(std::string(tool) + " image " + std::to_string(i));
            const std::string program = std::string(tool) == "nona" ? kNona : bin("nona2");
            const Result r = run(dir / tool, program + " -c -z LZW -r ldr -m TIFF_m -o pic -i " +
                                                 std::to_string(i) + " ../rig.pto");
            ASSERT_EQ(r.exitCode, 0) << r.output;
            const Layer l =
                std::string(tool) == "nona" ? readNona(dir / tool, i) : readOurs(dir / tool, i);
            Mean onBackground, onObjects;
            for (int y = 0; y < l.bgra.rows; ++y)
                for (int x = 0; x < l.bgra.cols; ++x) {
                    const cv::Vec4b& p = l.bgra.at<cv::Vec4b>(y, x);
                    const int px = x + l.left, py = y + l.top;
                    if (p[3] == 0 || px >= scene.cols || py >= scene.rows) continue;
                    add(background.at<uchar>(py, px) ? onBackground : onObjects, &p[0],
                        scene.ptr<uchar>(py, px));
                }
            std::printf("%s image %d: background %.3f grey levels (%ld pixels), objects %.1f\n",
                        tool, i, onBackground.value(), onBackground.n, onObjects.value());
            EXPECT_GT(onBackground.n, 15000);
            EXPECT_LT(onBackground.value(), 0.5);
            if (std::string(tool) == "nona2") ours.push_back(l);
        }
    }
    // Cameras 0 and 1 in their overlap: agreeing on the background, far
    // apart on the objects there (a sphere sits on every seam).
    Mean agree, disagree;
    for (int y = 0; y < scene.rows; ++y)
        for (int x = 0; x < scene.cols; ++x) {
            if (!alphaAt(ours[0], x, y) || !alphaAt(ours[1], x, y)) continue;
            const uchar* a = &ours[0].bgra.at<cv::Vec4b>(y - ours[0].top, x - ours[0].left)[0];
            const uchar* b = &ours[1].bgra.at<cv::Vec4b>(y - ours[1].top, x - ours[1].left)[0];
            add(background.at<uchar>(y, x) ? agree : disagree, a, b);
        }
    std::printf("cameras 0 and 1: background %.3f, objects %.1f (%ld pixels)\n", agree.value(),
                disagree.value(), disagree.n);
    EXPECT_LT(agree.value(), 1.0);
    EXPECT_GT(disagree.n, 100);
    EXPECT_GT(disagree.value(), 10.0);

    // Where the seam goes matters there: down the middle of each overlap it
    // cuts the objects on it; a content seam passes beside them.
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE("seam of cameras " + std::to_string(k) + " and " +
                     std::to_string((k + 1) % 4));
        const Layer& a = ours[static_cast<size_t>(k)];
        const Layer& b = ours[static_cast<size_t>((k + 1) % 4)];
        const std::vector<OverlapStrip> strips =
            overlapStrips(a.bgra, {a.left, a.top}, b.bgra, {b.left, b.top}, scene.cols, 8);
        ASSERT_EQ(strips.size(), 1u);
        const OverlapStrip& s = strips[0];
        const int mid = (s.overlapFrom + s.overlapTo) / 2;
        const RowSeam middle{s.upperKeepsLeft,
                             std::vector<SeamRow>(static_cast<size_t>(s.upper.rows),
                                                  seamRowOver(mid - 4, mid + 4, s.upperKeepsLeft))};
        ContentSeamOptions options;
        options.fadeWidth = 10;
        options.narrowestFade = 4;
        const RowSeam content = findContentSeam(s.upper, s.lower, s.upperKeepsLeft, options);
        const double m = seamDisagreement(s.upper, s.lower, middle).mean;
        const double c = seamDisagreement(s.upper, s.lower, content).mean;
        std::printf("seam %d: middle %.2f, content %.2f grey levels\n", k, m, c);
        EXPECT_LT(c, 0.3 * m);
        EXPECT_LT(c, 1.0);
    }
    fs::remove_all(dir);
}
