#include <gtest/gtest.h>

#include "ExportFixture.h"
#include "export/QuickWeaveExport.h"

using testsupport::CameraSpec;
using testsupport::LittleEndianReader;
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
    const size_t pos0 = 20 + 16, w0 = pos0 + 8 * 300 * 200, section1 = 16 + 9 * 300 * 200 + 20;
    const size_t w1 = section1 + 16 + 8 * 12;
    ASSERT_EQ(bytes.size(), w1 + 12);
    LittleEndianReader in(bytes);
    const size_t at78 = pos0 + 8 * (8 * 300 + 7);
    EXPECT_EQ(std::make_pair(in.f32(at78), in.f32(at78 + 4)),
              std::make_pair(-1.0f / 1920, 20.0f / 1080));
    // Camera 0 is on top and keeps 128 over camera 1; beneath it camera 1 gets
    // trunc(128 / 255 x 127) = 63; the last column of each lies beyond the grid.
    for (int r = 0; r < 200; ++r)
        for (int c = 0; c < 300; ++c)
            ASSERT_EQ(in.u8(w0 + r * 300 + c), c == 299 ? 0 : 128) << r << " " << c;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(in.u8(w1 + r * 4 + c), c == 3 ? 0 : 63);

    EXPECT_EQ(cv::norm(project.cameras[0].coordMap, mapBefore, cv::NORM_INF), 0.0);
    const testsupport::ExportRun second = exportQW();
    ASSERT_TRUE(second.result.written());
    EXPECT_EQ(readFileBytes(second.result.path), bytes);
    EXPECT_EQ(entries(), QStringList{"QuickWeave_Projcet.tab"});
}

TEST_F(QuickWeaveExport, NothingLoadedOrFolderMissing) {
    // Fresh project: no panorama, nothing written or shown.
    testsupport::ExportRun run = exportQW();
    EXPECT_EQ(run.result.status, ExportResult::Status::NothingToExport);
    EXPECT_EQ(run.console, "");
    EXPECT_TRUE(entries().isEmpty());

    twoCameras();
    project.projectDir = folder() + "gone/";
    run = exportQW();
    EXPECT_EQ(run.result.status, ExportResult::Status::Failed);
    EXPECT_EQ(run.result.path, folder() + "gone/QuickWeave_Projcet.tab");
    EXPECT_NE(run.result.message.find(run.result.path), std::string::npos);
    EXPECT_EQ(run.console.rfind("Cannot create " + run.result.path, 0), 0u);
    EXPECT_EQ(noticesShown, 0);
}

}  // namespace
