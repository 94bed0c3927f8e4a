#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "RecordingReporter.h"
#include "SyntheticCamera.h"
#include "export/ColumnBoundary.h"
#include "export/RemapEntry.h"
#include "export/WeightVolume.h"

using testsupport::CameraSpec;
using testsupport::setRig;

namespace {

CameraSpec flat(int cols, int rows, int ox, int oy, uint8_t a) {
    return testsupport::cameraSpec(cols, rows, ox, oy, nullptr, a);
}

// One camera's export view, straight from its description.
CameraSnapshot snapshotOf(const CameraSpec& s) {
    const Camara cam = testsupport::makeCamera(s);
    CameraSnapshot snap;
    snap.map = cam.coordMap;
    snap.weights = cam.displayImage;
    snap.sourceWidth = s.sourceWidth;
    snap.sourceHeight = s.sourceHeight;
    return snap;
}

// The snapshot shares the maps and the display images: a refresh while it lives
// writes a new display image and leaves the snapshot's weights alone.
TEST(ExportSnapshot, SharesMapsAndWeights) {
    Project project;
    setRig(project, 64, 32, {flat(8, 4, 3, 5, 200), flat(6, 2, 0, 0, 100)}, "/tmp/x/", {0, 1});
    project.cameras[1].sourceSize = cv::Size(900, 700);
    auto snap = takeExportSnapshot(project, nullptr);
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->cameras[1].sourceWidth, 900);
    EXPECT_EQ(snap->cameras[1].sourceHeight, 700);
    EXPECT_EQ(snap->cameras[0].map.data, project.cameras[0].coordMap.data);
    Camara& cam0 = project.cameras[0];
    cam0.image = cv::Mat(cam0.displayImage.size(), CV_8UC4, cv::Scalar::all(0));
    testsupport::RecordingReporter console;
    cam0.refreshView(project.blendValue, project.cutValue);
    EXPECT_EQ(cam0.displayImage.at<cv::Vec4b>(0, 0)[3], 0);
    EXPECT_EQ(snap->cameras[0].weights.at<cv::Vec4b>(0, 0)[3], 200);
    EXPECT_EQ(snap->stackingPosition(7), 0);  // absent: position 0
}

// The normalisation skips uncovered pixels in whole words; whatever the camera
// count and wherever the covered pixels lie, it must equal the plain rule.
TEST(WeightVolumeNormalise, SparseVolumesMatchThePlainRule) {
    cv::RNG rng(7);
    for (int n = 1; n <= 5; ++n) {
        for (int trial = 0; trial < 20; ++trial) {
            const int W = rng.uniform(0, 23), H = rng.uniform(0, 5);
            WeightVolume v(W, H, n);
            std::vector<uint8_t> expected;
            for (int y = 0; y <= H; ++y)
                for (int x = 0; x <= W; ++x)
                    for (int p = 0; p < n; ++p)
                        v.at(x, y, p) = rng.uniform(0, 10) < 2 ? rng.uniform(1, 256) : 0;
            for (int y = 0; y <= H; ++y)
                for (int x = 0; x <= W; ++x) {
                    double remaining = 255.0;
                    std::vector<uint8_t> px(static_cast<size_t>(n));
                    for (int p = n - 1; p >= 0; --p) {
                        const double w =
                            remaining <= 0 ? 0 : std::trunc(v.at(x, y, p) / 255.0 * remaining);
                        px[static_cast<size_t>(p)] = static_cast<uint8_t>(w);
                        remaining -= w;
                    }
                    expected.insert(expected.end(), px.begin(), px.end());
                }
            v.normalise();
            std::vector<uint8_t> actual;
            for (int y = 0; y <= H; ++y)
                for (int x = 0; x <= W; ++x)
                    for (int p = 0; p < n; ++p) actual.push_back(v.at(x, y, p));
            ASSERT_EQ(actual, expected) << "N " << n << " W " << W << " H " << H;
        }
    }
}

// Images reaching beyond the (W + 1) x (H + 1) grid, or left of / above it, and
// drawOrder entries naming no camera, must neither crash nor wrap into other
// pixels.
TEST(WeightVolume, IgnoresPixelsOutsideTheGrid) {
    Project project;
    setRig(project, 10, 4, {flat(6, 6, 7, 2, 77), flat(4, 4, -2, -1, 99)}, "/tmp/", {1, 0});
    project.drawOrder.push_back(5);
    project.drawOrder[0] = 9;  // names no camera: position 0 stays empty
    auto snap = takeExportSnapshot(project, nullptr);
    ASSERT_TRUE(snap);
    const WeightVolume v = WeightVolume::build(*snap);
    for (int y = 0; y <= 4; ++y)
        for (int x = 0; x <= 10; ++x) {
            const bool in0 = x >= 7 && y >= 2;
            EXPECT_EQ(v.at(x, y, 1), in0 ? 77 : 0) << x << "," << y;
            EXPECT_EQ(v.at(x, y, 0), 0) << x << "," << y;
        }
}

// Bands of rows, as the blend tables read them, hold the same bytes as the
// whole volume: overlapping cameras at every kind of offset, images reaching
// past the grid, bands cut across camera edges and a last short band.
TEST(WeightVolume, BandsEqualTheWholeVolume) {
    Project project;
    setRig(project, 37, 41,
           {flat(20, 30, -3, 5, 200), flat(25, 45, 10, -4, 128), flat(15, 12, 30, 33, 255)},
           "/tmp/", {2, 0, 1});
    // Ramps, so that every pair of overlapping weights differs somewhere.
    for (size_t i = 0; i < project.cameras.size(); ++i) {
        cv::Mat& d = project.cameras[i].displayImage;
        for (int r = 0; r < d.rows; ++r)
            for (int c = 0; c < d.cols; ++c)
                d.at<cv::Vec4b>(r, c)[3] = static_cast<uint8_t>((r * 7 + c * 13 + 50 * i) % 256);
    }
    auto snap = takeExportSnapshot(project, nullptr);
    ASSERT_TRUE(snap);
    const WeightVolume whole = WeightVolume::build(*snap);
    for (int first : {0, 3, 16, 40}) {
        const WeightVolume band = WeightVolume::buildRows(*snap, first, std::min(9, 42 - first));
        for (int y = first; y < first + band.rowCount(); ++y)
            for (int x = 0; x <= 37; ++x)
                for (int p = 0; p < 3; ++p)
                    ASSERT_EQ(band.at(x, y, p), whole.at(x, y, p)) << x << "," << y << "," << p;
    }
    WeightRows rows(*snap);
    for (int y = 0; y <= 41; ++y)
        for (int x = 0; x <= 37; ++x)
            ASSERT_EQ(std::memcmp(rows.pixel(x, y), whole.pixel(x, y), 3), 0) << x << "," << y;
}

TEST(InsideColumnBoundary, PlainWrappedAndBroken) {
    const std::vector<BoundaryEdge> plain = {{300, 1}, {700, 0}}, wrapped = {{100, 0}, {900, 1}};
    std::vector<bool> inside;
    for (int c : {299, 300, 700, 701}) inside.push_back(insideColumnBoundary(c, plain));
    for (int c : {0, 100, 101, 899, 900, 5000, -1})
        inside.push_back(insideColumnBoundary(c, wrapped));
    EXPECT_EQ(inside, (std::vector<bool>{0, 1, 1, 0, 1, 1, 0, 0, 1, 1, 0}));

    testsupport::RecordingReporter console;
    EXPECT_FALSE(insideColumnBoundary(400, {{1, 1}, {2, 0}, {3, 1}}));
    EXPECT_FALSE(insideColumnBoundary(400, {}));
    EXPECT_EQ(console.take(), "bdy count :3\r\nbdy count :0\r\n");
}

TEST(EncodeEntry, TwelveFourWithClamp) {
    CameraSpec s = testsupport::cameraSpec(8, 1);
    const cv::Vec2f pos[8] = {{383.9f, 10},   {383.5f, 10}, {382.9f, 10},  {384.0f, 359.99f},
                              {390.25f, 181}, {390, 10},    {65600.f, 10}, {NAN, 10}};
    s.map = [&](int c, int) { return pos[c]; };
    s.alpha = [](int c, int) -> uint8_t { return c == 5 ? 0 : 200; };
    const CameraSnapshot snap = snapshotOf(s);

    // Columns, block and the expected 12.4 pair (fx, fy), or -1 for invalid.
    struct Case {
        int r, c, bx, by, fx, fy;
    };
    const Case cases[] = {
        {0, 0, 2, 0, 2032, 160},  // dx = 127.9 clamps to 127
        {0, 1, 3, 0, 0, 160},     // dx = -0.5 is valid with 0 ...
        {0, 2, 3, 0, -1, -1},     // ... dx = -1.1 is not
        {0, 3, 3, 1, 0, 2864},    // dy = 179.99 clamps to 179
        {0, 4, 3, 1, 100, 16},    // fractions in 1/16: (6.25, 1)
        {0, 5, 3, 0, -1, -1},     // weight 0
        {0, 6, 0, 0, -1, -1},     // 65536 + 64 pixels away
        {0, 7, 0, 0, -1, -1},     // NaN
        {1, 0, 2, 0, -1, -1},     // outside the image
        {0, 8, 2, 0, -1, -1},    {0, -1, 2, 0, -1, -1},
    };
    for (const Case& k : cases) {
        const RemapEntry e = encodeEntry(snap, k.r, k.c, k.bx, k.by);
        const uint32_t want = k.fx < 0 ? kInvalidEntry : (uint32_t(k.fy) << 16) | uint32_t(k.fx);
        EXPECT_EQ(e.valid, k.fx >= 0) << k.c;
        EXPECT_EQ(e.packed(), want) << k.c;
    }
}

}  // namespace
