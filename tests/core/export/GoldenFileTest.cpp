// The tiny rigs described in golden/README.md, exported and compared byte for
// byte with the files there (which golden/make_golden.py builds from that
// description, independently of the exporters).
#include <gtest/gtest.h>

#include "ExportFixture.h"
#include "export/Camera2KExport.h"
#include "export/Camera4KExport.h"
#include "export/QuickWeaveExport.h"

using testsupport::CameraSpec;
using testsupport::readFileBytes;

namespace {

const std::string kGolden = std::string(ORVIK_SOURCE_DIR) + "/tests/core/export/golden/";

class GoldenFiles : public testsupport::ExportFixture {
protected:
    void SetUp() override {
        ExportFixture::SetUp();
        CameraSpec a = testsupport::cameraSpec(
            8, 3, 4, 0, [](int c, int r) { return cv::Vec2f(130.25f + c, 1.5f + r); });
        a.sourceWidth = 640;
        a.sourceHeight = 480;
        a.alpha = [](int c, int r) -> uint8_t {
            if (c == 3 && r == 1) return 0;
            return c >= 6 ? 128 : 255;
        };
        CameraSpec b = testsupport::cameraSpec(
            6, 2, 10, 2, [](int c, int r) { return cv::Vec2f(0.5f + 2 * c, 170.75f + 4 * r); },
            128);
        b.sourceWidth = 320;
        b.sourceHeight = 240;
        b.imgBdy = {{1, 1}, {4, 0}};
        rig(32, 4, {a, b});  // drawOrder 1, 0: camera 0 on top
    }

    void compare(const std::string& written, const std::string& name) {
        const std::vector<uint8_t> actual = readFileBytes(written);
        const std::vector<uint8_t> expected = readFileBytes(kGolden + name);
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t i = 0; i < actual.size(); ++i)
            ASSERT_EQ(actual[i], expected[i]) << name << " differs at byte " << i;
    }
};

TEST_F(GoldenFiles, Camera2K) {
    const testsupport::ExportRun run =
        runExport([](const Project& p) { return exportCamera2K(p); });
    ASSERT_TRUE(run.result.written()) << run.result.message;
    EXPECT_EQ(run.console,
              "0 1 2 3 "
              "pic:0 count_total:1  real:total:1\r\n"
              "pic:1 count_total:1  real:total:1\r\n"
              "total count:4\r\n"
              "split count:0    over block max size:4\r\n"
              "Export Camera_2K_Project.tab OK.");
    compare(run.result.path, "Camera_2K_Project.tab");
}

TEST_F(GoldenFiles, Camera4K) {
    CameraSpec a = testsupport::cameraSpec(740, 20, 5, 1, [](int c, int r) {
        return cv::Vec2f(128.5f + static_cast<float>(c) / 8.0f, 1.5f + static_cast<float>(r));
    });
    a.sourceWidth = 640;
    a.sourceHeight = 480;
    a.alpha = [](int c, int r) -> uint8_t {
        if (c == 3 && r == 1) return 0;
        return c >= 700 ? 128 : 255;
    };
    CameraSpec b = testsupport::cameraSpec(
        6, 3, 730, 2, [](int c, int r) { return cv::Vec2f(0.5f + 2 * c, 170.75f + 4 * r); }, 128);
    b.sourceWidth = 320;
    b.sourceHeight = 240;
    b.imgBdy = {{1, 1}, {4, 0}};
    const auto nowhere = [](int, int) { return cv::Vec2f(-1.0f, -1.0f); };
    rig(752, 34,
        {a, b, testsupport::cameraSpec(4, 2, 16, 22, nowhere, 200),
         testsupport::cameraSpec(8, 3, 12, 21, nowhere, 100)});  // drawOrder 3, 2, 1, 0
    const testsupport::ExportRun run =
        runExport([](const Project& p) { return exportCamera4K(p); });
    ASSERT_TRUE(run.result.written()) << run.result.message;
    EXPECT_EQ(run.console,
              "pic:0 count_total:2  real:total:2\r\n"
              "pic:1 count_total:1  real:total:1\r\n"
              "pic:2 count_total:0  real:total:0\r\n"
              "pic:3 count_total:0  real:total:0\r\n"
              "total count:68\r\n"
              "Export Camera_4K_Project.tab OK.");
    compare(run.result.path, "Camera_4K_Project.tab");
}

TEST_F(GoldenFiles, QuickWeave) {
    const testsupport::ExportRun run =
        runExport([](const Project& p) { return exportQuickWeave(p); });
    ASSERT_TRUE(run.result.written()) << run.result.message;
    compare(run.result.path, "QuickWeave_Projcet.tab");
}

}  // namespace
