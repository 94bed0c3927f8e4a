// The bundled sample rigs, cropped and on the whole canvas: the default
// remapping (libpano13 on a grid, interpolated, cells far outside the image
// skipped) gives the same layers and maps as evaluating every pixel, and the
// fisheye rig's layers have the boundary the loader needs.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <regex>

#include "ImageReader.h"
#include "PtoProject.h"
#include "Remapper.h"

namespace {

// Valid/transparent changes along the middle row, as the loader's boundary
// scan sees them.
int middleRowTransitions(const cv::Mat& bgra) {
    const int m = bgra.rows / 2;
    int transitions = 0;
    for (int x = 1; x < bgra.cols; ++x)
        transitions += (bgra.at<cv::Vec4b>(m, x)[3] != 0) != (bgra.at<cv::Vec4b>(m, x - 1)[3] != 0);
    return transitions;
}

// The sample as saved, or (with a non-empty `wholeCanvas`, the p line's "wW hH"
// replaced by it and r:CROP dropped) with every layer the size of the canvas,
// most of which lies outside each camera.
void compareWithExact(const std::string& project, bool twoEdges,
                      const std::string& wholeCanvas = std::string()) {
    nona2::PtoProject p;
    std::string error;
    const std::string path = std::string(ORVIK_SOURCE_DIR) + "/" + project;
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!wholeCanvas.empty()) {
        text = std::regex_replace(text, std::regex(" r:CROP"), "");
        text = std::regex_replace(text, std::regex("p f2 w\\d+ h\\d+"), "p f2 " + wholeCanvas);
    }
    ASSERT_TRUE(nona2::parsePto(text, path, p, error)) << error;
    if (!wholeCanvas.empty()) {
        ASSERT_FALSE(p.pano.cropLayers);
    }
    for (size_t i = 0; i < p.images.size(); ++i) {
        SCOPED_TRACE(project + " image " + std::to_string(i));
        cv::Mat source;
        ASSERT_TRUE(nona2::loadSourceImage(p.images[i], source, error)) << error;
        nona2::RemapOptions grid, exact;
        exact.exact = true;
        nona2::RemappedLayer a, b;
        ASSERT_TRUE(nona2::remapImage(p, static_cast<int>(i), source, grid, a, error)) << error;
        ASSERT_TRUE(nona2::remapImage(p, static_cast<int>(i), source, exact, b, error)) << error;
        ASSERT_EQ(a.left, b.left);
        ASSERT_EQ(a.top, b.top);
        ASSERT_EQ(a.bgra.size(), b.bgra.size());
        // Where only one of the two keeps a position (the other gives -1 for a
        // transparent pixel outside the image), it must lie on the image's
        // border, where the two may round differently.
        const double cols = source.cols, rows = source.rows;
        auto onBorder = [cols, rows](double x, double y) {
            return std::min({x, cols - x, y, rows - y}) < 0.01;
        };
        long alphaDiff = 0, definedDiff = 0;
        double worst = 0, worstValid = 0;
        for (int y = 0; y < a.bgra.rows; ++y) {
            for (int x = 0; x < a.bgra.cols; ++x) {
                alphaDiff +=
                    (a.bgra.at<cv::Vec4b>(y, x)[3] != 0) != (b.bgra.at<cv::Vec4b>(y, x)[3] != 0);
                const float ax = a.mapX.at<float>(y, x), bx = b.mapX.at<float>(y, x);
                const float ay = a.mapY.at<float>(y, x), by = b.mapY.at<float>(y, x);
                const bool da = !(ax == -1.0f && ay == -1.0f), db = !(bx == -1.0f && by == -1.0f);
                if (da != db) {
                    definedDiff += da ? !onBorder(ax, ay) : !onBorder(bx, by);
                    continue;
                }
                if (!da) continue;
                const double d = std::max(std::fabs(double(ax) - bx), std::fabs(double(ay) - by));
                worst = std::max(worst, d);
                if (b.bgra.at<cv::Vec4b>(y, x)[3]) worstValid = std::max(worstValid, d);
            }
        }
        EXPECT_LT(worst, 0.01);
        // On the smaller canvas a grid cell spans more source pixels.
        EXPECT_LT(worstValid, wholeCanvas.empty() ? 0.002 : 0.01);
        EXPECT_EQ(definedDiff, 0);
        EXPECT_LE(alphaDiff, double(a.bgra.total()) * 1e-4);
        if (twoEdges) {
            EXPECT_EQ(middleRowTransitions(a.bgra), 2);
        }
    }
}

}  // namespace

TEST(Samples, GridMatchesPerPixelEvaluationAndFisheyeLayersHaveTwoEdges) {
    compareWithExact("samples/ring4/ring4.pto", false);
    compareWithExact("samples/fisheye3/fisheye3.pto", true);
    compareWithExact("samples/ring4/ring4.pto", false, "w1280 h640");
    compareWithExact("samples/fisheye3/fisheye3.pto", false, "w1024 h512");
}
