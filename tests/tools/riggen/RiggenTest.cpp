// riggen renders through the inverse transform; remapping its images with
// nona2 must give back the scene it rendered from.
#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgcodecs.hpp>

#include "LoaderReads.h"
#include "ToolRunner.h"

using namespace toolrun;

TEST(Riggen, RemappedImagesReproduceTheScene) {
    const fs::path dir = freshDir("riggen");
    const std::string tail =
        " TrX0 TrY0 TrZ0 Tpy0 Tpp0 g0 t0 Eev0 Er1 Eb1 Va1 Vb0 Vc0 Vd0 Vx0 Vy0 Vm5";
    writeText(dir / "rig.pto",
              "p f2 w1600 h800 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n"
              "i w600 h400 f0 v70 r4 p-10 y-30 a0 b0.01 c0 d6 e-4" +
                  tail +
                  " n\"c0.png\"\n"
                  "i w800 h800 f3 v150 r0 p30 y100 a0.01 b-0.02 c0.01 d0 e0" +
                  tail + " n\"c1.png\"\n");
    const Result gen = run(dir, bin("riggen") + " --scene scene.png rig.pto");
    ASSERT_EQ(gen.exitCode, 0) << gen.output;
    const cv::Mat scene = cv::imread((dir / "scene.png").string(), cv::IMREAD_COLOR);
    ASSERT_EQ(scene.size(), cv::Size(1600, 800));
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const Result r = run(dir, bin("nona2") + " -c -o pic -i " + std::to_string(i) + " rig.pto");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        const std::string layerPath = (dir / ("pic000" + std::to_string(i) + ".tif")).string();
        const cv::Mat layer = cv::imread(layerPath, cv::IMREAD_UNCHANGED);
        ASSERT_EQ(layer.type(), CV_8UC4);
        const cv::Point pos = loaderOffset(layerPath);
        double squared = 0;
        long count = 0;
        for (int y = 0; y < layer.rows; ++y) {
            for (int x = 0; x < layer.cols; ++x) {
                const cv::Vec4b p = layer.at<cv::Vec4b>(y, x);
                if (!p[3]) continue;
                const cv::Vec3b s = scene.at<cv::Vec3b>(y + pos.y, x + pos.x);
                for (int c = 0; c < 3; ++c) squared += (p[c] - s[c]) * double(p[c] - s[c]);
                ++count;
            }
        }
        ASSERT_GT(count, 10000);
        const double psnr = 10.0 * std::log10(255.0 * 255.0 / (squared / (3.0 * count)));
        std::printf("riggen camera %d: %ld pixels, PSNR against the scene %.1f dB\n", i, count,
                    psnr);
        EXPECT_GE(psnr, 30.0);
    }
    fs::remove_all(dir);
}
