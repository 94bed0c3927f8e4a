#include <gtest/gtest.h>

#include "ExportFixture.h"
#include "export/QuickWeaveExport.h"
#include "tables/QuickWeaveReader.h"

using testsupport::CameraSpec;
using testsupport::readFileBytes;

namespace {

class QuickWeaveExport : public testsupport::ExportFixture {
protected:
    testsupport::ExportRun exportQW() {
        return runExport([](const Project& p) { return exportQuickWeave(p); });
    }

    // Camera 0: 300 x 200 at (10, 20), its last column beyond the panorama's
    // column W = 308; camera 1: 4 x 3 at (306, 20), under camera 0 (drawOrder
    // 1, 0), its last column beyond W too. Both weigh 128 everywhere.
    void twoCameras() {
        const CameraSpec a = testsupport::cameraSpec(
            300, 200, 10, 20,
            [](int c, int r) {
                if (c == 7 && r == 8) return cv::Vec2f(-1, 20);
                return cv::Vec2f(c + 0.5f, r + 0.5f);
            },
            128);
        CameraSpec b = testsupport::cameraSpec(
            4, 3, 306, 20, [](int c, int r) { return cv::Vec2f(100.0f + c, 200.0f + r); }, 128);
        b.sourceWidth = 640;
        b.sourceHeight = 480;
        rig(308, 250, {a, b}, {1, 0});
    }
};

// The byte layout is pinned by the golden file; here what that tiny rig lacks:
// a source position outside the image, columns beyond the panorama's grid, and
// the same bytes again on a second export, which leaves the maps alone.
TEST_F(QuickWeaveExport, EdgesOfTheGridAndRepeatable) {
    twoCameras();
    const cv::Mat mapBefore = project.cameras[0].coordMap.clone();
    const testsupport::ExportRun run = exportQW();
    ASSERT_TRUE(run.result.written()) << run.result.message;
    EXPECT_EQ(run.console, "Export QuickWeave_Projcet.tab OK.");
    EXPECT_EQ(noticesShown, 1);

    const std::vector<uint8_t> bytes = readFileBytes(run.result.path);
    ASSERT_EQ(bytes.size(), 20 + (16 + 9 * 300 * 200) + (16 + 9 * 4 * 3));
    const QuickWeaveTable t = readQuickWeaveTable(bytes.data(), bytes.size());
    ASSERT_TRUE(t.valid()) << t.violations.list()[0].message;
    const QuickWeaveCamera& c0 = t.cameras[0];
    ASSERT_EQ(c0.positions.size(), cv::Size(300, 200));
    auto position = [&](const QuickWeaveCamera& cam, int c, int r) {
        const cv::Vec2f p = cam.positions.at<cv::Vec2f>(r, c);
        return std::make_pair(p[0], p[1]);
    };
    EXPECT_EQ(position(c0, 7, 8), std::make_pair(-1.0f / 1920, 20.0f / 1080));
    EXPECT_EQ(position(c0, 299, 199), std::make_pair(299.5f / 1920, 199.5f / 1080));
    // Camera 0 is on top: it keeps 128 also where camera 1 lies beneath; its
    // column 299 (panorama column 309) is beyond the grid.
    for (int r = 0; r < 200; ++r)
        for (int c = 0; c < 300; ++c)
            ASSERT_EQ(c0.weights.at<uint8_t>(r, c), c == 299 ? 0 : 128) << r << " " << c;

    const QuickWeaveCamera& c1 = t.cameras[1];
    ASSERT_EQ(c1.positions.size(), cv::Size(4, 3));
    EXPECT_EQ(position(c1, 3, 2), std::make_pair(103.0f / 640, 202.0f / 480));
    // Beneath camera 0: trunc(128 / 255 x 127) = 63.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(c1.weights.at<uint8_t>(r, c), c == 3 ? 0 : 63);

    EXPECT_EQ(cv::norm(project.cameras[0].coordMap, mapBefore, cv::NORM_INF), 0.0);
    const testsupport::ExportRun second = exportQW();
    ASSERT_TRUE(second.result.written());
    EXPECT_EQ(readFileBytes(second.result.path), bytes);
    EXPECT_EQ(entries(), QStringList{"QuickWeave_Projcet.tab"});
}

// Fresh project: no panorama, nothing written or shown. (A folder that cannot
// take the file is the output file's, checked with the device tables.)
TEST_F(QuickWeaveExport, NothingLoadedWritesNothing) {
    const testsupport::ExportRun run = exportQW();
    EXPECT_EQ(run.result.status, ExportResult::Status::NothingToExport);
    EXPECT_EQ(run.console, "");
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(noticesShown, 0);
}

}  // namespace
