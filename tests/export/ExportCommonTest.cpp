#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "RecordingReporter.h"
#include "SourceBlockLists.h"
#include "SyntheticCamera.h"
#include "export/BlendPartition.h"
#include "export/CameraWeightGather.h"
#include "export/ExportDone.h"
#include "export/RemapEntry.h"
#include "export/WeightVolume.h"

using testsupport::CameraSpec;
using testsupport::collectSourceBlocks;
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

TEST(ExportSnapshot, StopsWithoutPanoramaOrCameras) {
    Project project;
    ExportResult stop;
    // A fresh project: four default cameras but no panorama.
    EXPECT_FALSE(takeExportSnapshot(project, &stop));
    EXPECT_EQ(stop.status, ExportResult::Status::NothingToExport);
    EXPECT_TRUE(stop.message.empty());

    project.panoWidth = 100;
    project.panoHeight = 50;
    project.cameras.clear();
    project.drawOrder.clear();
    testsupport::RecordingReporter console;
    EXPECT_FALSE(takeExportSnapshot(project, &stop));
    EXPECT_EQ(console.take(), "No camera to export\r\n");
    EXPECT_EQ(stop.status, ExportResult::Status::NothingToExport);
    EXPECT_EQ(stop.message, "No camera to export");
}

TEST(ExportSnapshot, CopiesWeightsAndSharesMaps) {
    Project project;
    setRig(project, 64, 32, {flat(8, 4, 3, 5, 200), flat(6, 2, 0, 0, 100)}, "/tmp/x/", {0, 1});
    project.cameras[1].sourceImage.create(700, 900, CV_8UC1);
    auto snap = takeExportSnapshot(nullptr);  // through currentProject()
    ASSERT_TRUE(snap);
    EXPECT_EQ(snap->cameraCount, 2);
    EXPECT_EQ(snap->W, 64);
    EXPECT_EQ(snap->H, 32);
    EXPECT_EQ(snap->cameras[0].offsetX, 3);
    EXPECT_EQ(snap->cameras[0].offsetY, 5);
    EXPECT_EQ(snap->cameras[1].sourceWidth, 900);
    EXPECT_EQ(snap->cameras[1].sourceHeight, 700);
    EXPECT_EQ(snap->outputPath("a.tab"), "/tmp/x/a.tab");
    EXPECT_EQ(snap->cameras[0].map.data, project.cameras[0].coordMap.data);
    EXPECT_NE(snap->cameras[0].weights.data, project.cameras[0].displayImage.data);
    project.cameras[0].displayImage.setTo(cv::Scalar::all(0));
    EXPECT_EQ(snap->cameras[0].weights.at<cv::Vec4b>(0, 0)[3], 200);
    EXPECT_EQ(snap->stackingPosition(1), 1);
    EXPECT_EQ(snap->stackingPosition(7), 0);  // absent: position 0
}

TEST(WeightVolume, NormalisesTopDown) {
    Project project;
    // drawOrder [1, 0]: camera 0 is on top. Cameras overlap on columns 4..7.
    setRig(project, 12, 2, {flat(4, 3, 4, 0, 128), flat(8, 3, 0, 0, 128), flat(2, 1, 10, 0, 255)},
           "/tmp/", {1, 2, 0});
    auto snap = takeExportSnapshot(project, nullptr);
    ASSERT_TRUE(snap);
    const WeightVolume v = WeightVolume::build(*snap);
    EXPECT_EQ(v.width(), 12);
    EXPECT_EQ(v.height(), 2);
    EXPECT_EQ(v.positions(), 3);
    // Overlap: top keeps 128, bottom trunc(128 / 255 * 127) = 63.
    EXPECT_EQ(v.at(5, 1, 2), 128);
    EXPECT_EQ(v.at(5, 1, 0), 63);
    // Bottom alone keeps its weight.
    EXPECT_EQ(v.at(1, 0, 0), 128);
    // Nothing covers column 9: all zero.
    for (int p = 0; p < 3; ++p) EXPECT_EQ(v.at(9, 0, p), 0);
    // Row H (= 2) of the grid is filled too.
    EXPECT_EQ(v.at(5, 2, 2), 128);
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

// Four weights per pixel reordered by every possible camera order.
TEST(GatherPixels4, EveryOrder) {
    std::vector<uint8_t> in(4 * 37);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<uint8_t>(i * 29 % 7 == 0 ? 0 : i * 31);
    in[4 * 5 + 2] = 0x80;
    int position[4] = {0, 1, 2, 3};
    do {
        std::vector<uint8_t> out(in.size(), 0xEE);
        const uint32_t seen = gatherPixels4(in.data(), 37, position, out.data());
        uint32_t expectSeen = 0;
        for (int j = 0; j < 37; ++j)
            for (int c = 0; c < 4; ++c) {
                const uint8_t v = in[static_cast<size_t>(4 * j + position[c])];
                ASSERT_EQ(out[static_cast<size_t>(4 * j + c)], v);
                expectSeen |= static_cast<uint32_t>(v) << (8 * c);
            }
        EXPECT_EQ(seen, expectSeen);
    } while (std::next_permutation(position, position + 4));
}

TEST(InsideColumnBoundary, PlainWrappedAndBroken) {
    const std::vector<BoundaryEdge> plain = {{300, 1}, {700, 0}};
    EXPECT_FALSE(insideColumnBoundary(299, plain));
    EXPECT_TRUE(insideColumnBoundary(300, plain));
    EXPECT_TRUE(insideColumnBoundary(700, plain));
    EXPECT_FALSE(insideColumnBoundary(701, plain));

    const std::vector<BoundaryEdge> wrapped = {{100, 0}, {900, 1}};
    EXPECT_TRUE(insideColumnBoundary(0, wrapped));
    EXPECT_TRUE(insideColumnBoundary(100, wrapped));
    EXPECT_FALSE(insideColumnBoundary(101, wrapped));
    EXPECT_FALSE(insideColumnBoundary(899, wrapped));
    EXPECT_TRUE(insideColumnBoundary(900, wrapped));
    EXPECT_TRUE(insideColumnBoundary(5000, wrapped));
    EXPECT_FALSE(insideColumnBoundary(-1, wrapped));

    testsupport::RecordingReporter console;
    EXPECT_FALSE(insideColumnBoundary(400, {{1, 1}, {2, 0}, {3, 1}}));
    EXPECT_FALSE(insideColumnBoundary(400, {}));
    EXPECT_EQ(console.take(), "bdy count :3\r\nbdy count :0\r\n");
}

TEST(SourceBlocks, GroupsByBlockInKeyOrder) {
    CameraSpec s = testsupport::cameraSpec(4, 2);
    s.sourceWidth = 400;
    s.sourceHeight = 400;
    // Row 0: block (2, 0), outside (x = 0), block (0, 1), block (2, 0)
    // Row 1: outside (x = width), outside (y = 0), block (1, 0), block (0, 0)
    const cv::Vec2f pos[2][4] = {{{300, 5}, {0, 5}, {5, 200}, {383.9f, 179.9f}},
                                 {{400, 5}, {5, 0}, {128, 1}, {127.99f, 0.5f}}};
    s.map = [&](int c, int r) { return pos[r][c]; };
    const CameraSnapshot snap = snapshotOf(s);
    const auto blocks = collectSourceBlocks(snap);
    ASSERT_EQ(blocks.size(), 4u);
    // Ascending key: block row 0 left to right, then block row 1.
    const int expect[4][2] = {{0, 0}, {1, 0}, {2, 0}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(blocks[i].bx, expect[i][0]);
        EXPECT_EQ(blocks[i].by, expect[i][1]);
        EXPECT_EQ(blocks[i].key, SourceBlock::makeKey(expect[i][0], expect[i][1]));
        EXPECT_EQ(blocks[i].counter, i + 1);
    }
    ASSERT_EQ(blocks[2].pixels.size(), 2u);  // in map order
    EXPECT_EQ(blocks[2].pixels[0].c, 0);
    EXPECT_EQ(blocks[2].pixels[1].c, 3);
    EXPECT_FLOAT_EQ(blocks[2].pixels[1].x, 383.9f);
    EXPECT_EQ(blocks[3].pixels[0].r, 0);
    EXPECT_EQ(blocks[3].pixels[0].c, 2);
    EXPECT_EQ(SourceBlock::makeKey(3, 2), 0x00020003u);
}

TEST(EncodeEntry, TwelveFourWithClamp) {
    CameraSpec s = testsupport::cameraSpec(8, 1);
    const cv::Vec2f pos[8] = {{383.9f, 10},   {383.5f, 10}, {382.9f, 10},  {384.0f, 359.99f},
                              {390.25f, 181}, {390, 10},    {65600.f, 10}, {NAN, 10}};
    s.map = [&](int c, int) { return pos[c]; };
    s.alpha = [](int c, int) -> uint8_t { return c == 5 ? 0 : 200; };
    const CameraSnapshot snap = snapshotOf(s);

    // x = 383.9 in block column 2: dx = 127.9 clamps to 127 -> 2032.
    RemapEntry e = encodeEntry(snap, 0, 0, 2, 0);
    EXPECT_TRUE(e.valid);
    EXPECT_EQ(e.fx, 2032);
    EXPECT_EQ(e.fy, 160);
    EXPECT_EQ(e.packed(), (160u << 16) | 2032u);
    // In block column 3: dx = -0.5 is valid with 0, dx = -1.1 is not.
    e = encodeEntry(snap, 0, 1, 3, 0);
    EXPECT_TRUE(e.valid);
    EXPECT_EQ(e.fx, 0);
    e = encodeEntry(snap, 0, 2, 3, 0);
    EXPECT_FALSE(e.valid);
    EXPECT_EQ(e.packed(), kInvalidEntry);
    // dy = 179.99 in block row 1 clamps to 179 -> 2864.
    e = encodeEntry(snap, 0, 3, 3, 1);
    EXPECT_TRUE(e.valid);
    EXPECT_EQ(e.fx, 0);
    EXPECT_EQ(e.fy, 2864);
    // Fractions in 1/16: (6.25, 1) -> (100, 16).
    e = encodeEntry(snap, 0, 4, 3, 1);
    EXPECT_TRUE(e.valid);
    EXPECT_EQ(e.fx, 100);
    EXPECT_EQ(e.fy, 16);
    // Weight 0, a position 65536 + 64 pixels away, NaN, and pixels outside the
    // image are invalid.
    EXPECT_FALSE(encodeEntry(snap, 0, 5, 3, 0).valid);
    EXPECT_FALSE(encodeEntry(snap, 0, 6, 0, 0).valid);
    EXPECT_FALSE(encodeEntry(snap, 0, 7, 0, 0).valid);
    EXPECT_FALSE(encodeEntry(snap, 1, 0, 2, 0).valid);
    EXPECT_FALSE(encodeEntry(snap, 0, 8, 2, 0).valid);
    EXPECT_FALSE(encodeEntry(snap, 0, -1, 2, 0).valid);
}

// A row encoded at once equals the entries one by one, for every block and
// column range, including ranges reaching outside the map.
TEST(EncodeEntry, RowEqualsEntries) {
    CameraSpec s = testsupport::cameraSpec(23, 3);
    s.map = [](int c, int r) {
        if (c == 4) return cv::Vec2f(NAN, 10);
        return cv::Vec2f(120.0f + 1.37f * c + 0.5f * r, 170.0f + 0.83f * c - 2.1f * r);
    };
    s.alpha = [](int c, int r) -> uint8_t { return (c + r) % 5 == 0 ? 0 : 77; };
    const CameraSnapshot snap = snapshotOf(s);
    for (int r = -1; r <= 3; ++r)
        for (int bx = 0; bx <= 1; ++bx)
            for (int by = 0; by <= 1; ++by) {
                const int c0 = -2, c1 = 25;
                std::vector<uint32_t> row(static_cast<size_t>(c1 - c0 + 1), kInvalidEntry);
                const bool any = encodeRow(snap, r, c0, c1, bx, by, row.data());
                bool anyValid = false;
                for (int c = c0; c <= c1; ++c) {
                    const RemapEntry e = encodeEntry(snap, r, c, bx, by);
                    anyValid = anyValid || e.valid;
                    EXPECT_EQ(row[static_cast<size_t>(c - c0)], e.packed())
                        << r << " " << c << " " << bx << " " << by;
                }
                EXPECT_EQ(any, anyValid);
            }
}

TEST(BlendPartition, BlockWidthsAndCameraLimit) {
    BlendPartition p = blendPartition(1920, 3);
    EXPECT_EQ(p.blockWidth, 1000);
    EXPECT_EQ(p.blockCount, 2);
    EXPECT_EQ(p.start(1), 1000);
    EXPECT_EQ(p.width(0), 1000);
    EXPECT_EQ(p.width(1), 920);
    p = blendPartition(1920, 4);
    EXPECT_EQ(p.blockWidth, 748);
    EXPECT_EQ(p.blockCount, 3);
    EXPECT_EQ(p.width(2), 424);
    EXPECT_EQ(blendPartition(1920, 8).blockWidth, 372);
    EXPECT_EQ(blendPartition(1920, 750).blockWidth, 4);
    EXPECT_EQ(blendPartition(1920, 751).blockWidth, 0);
    EXPECT_EQ(blendPartition(1920, 0).blockCount, 0);

    EXPECT_FALSE(checkBlendCameraCount(750, "t.tab"));
    testsupport::RecordingReporter console;
    const auto r = checkBlendCameraCount(751, "t.tab");
    const std::string out = console.take();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, ExportResult::Status::Failed);
    EXPECT_NE(out.find("751"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 2), "\r\n");
    EXPECT_EQ(r->message + "\r\n", out);
}

// The notice's texts; the exports' tests count the notices through the handler.
TEST(ShowExportDone, TextsAndFallbackWithoutHandler) {
    EXPECT_EQ(exportDoneTitle(), QString::fromUtf8("提示"));
    EXPECT_EQ(exportDoneText(), QString::fromUtf8("方案输出完毕"));
    setExportDoneHandler(nullptr);
    testing::internal::CaptureStdout();
    showExportDone();
    EXPECT_NE(testing::internal::GetCapturedStdout().find("\r\n"), std::string::npos);
}

}  // namespace
