#include <gtest/gtest.h>

#include <cmath>
#include <opencv2/imgcodecs.hpp>

#include "DeviceTableReader.h"
#include "ExportFixture.h"
#include "export/BlendTable4K.h"
#include "export/Camera4KExport.h"

using testsupport::CameraSpec;

namespace {

class Camera4KExportTest : public testsupport::ExportFixture {
protected:
    std::string tablePath() const { return file("Camera_4K_Project.tab"); }
    DeviceTable exportAndRead() {
        const ExportResult r = exportCamera4K(project);
        EXPECT_TRUE(r.written()) << r.message;
        EXPECT_EQ(r.path, tablePath());
        return testsupport::readSoundTable(tablePath());
    }
    void writeOldTable() { writeFile("Camera_4K_Project.tab", "previous table"); }
    std::string tableText() const { return readText("Camera_4K_Project.tab"); }
};

// A camera whose every pixel reads from source block (0, 0).
CameraSpec oneBlockCamera(int cols, int rows, int offsetX, int offsetY) {
    return testsupport::cameraSpec(cols, rows, offsetX, offsetY, [cols, rows](int c, int r) {
        return cv::Vec2f(1.0f + 120.0f * static_cast<float>(c) / static_cast<float>(cols),
                         1.0f + 170.0f * static_cast<float>(r) / static_cast<float>(rows));
    });
}

TEST(SegmentPlan4K, SegmentHeightFollowsTheAlignedWidth) {
    // Rectangles in padded coordinates: camera column x - 1 is the first.
    const SegmentPlan4K w16 = planSegments4K(cv::Rect(1, 1, 10, 4000), 3, 0);
    EXPECT_EQ(std::make_pair(w16.width, w16.segmentMaxRows), std::make_pair(16, 1022));
    const SegmentPlan4K w1024 = planSegments4K(cv::Rect(1, 1, 1019, 30), 5, 0);
    ASSERT_EQ(w1024.segments.size(), 3u);
    EXPECT_EQ(
        std::vector<int>({w1024.panoX, w1024.width, w1024.segmentMaxRows, w1024.segments[2].rows}),
        std::vector<int>({0, 1024, 14, 2}));
    EXPECT_EQ(planSegments4K(cv::Rect(1, 1, 4096, 2), 0, 0).segmentMaxRows, 2);
    EXPECT_EQ(planSegments4K(cv::Rect(1, 1, 4097, 2), 0, 0).segmentMaxRows, 2);  // 4112
    // A negative start moves down to the multiple below.
    const SegmentPlan4K negative = planSegments4K(cv::Rect(1, 1, 10, 2), -3, -1);
    EXPECT_EQ(std::make_pair(negative.panoX, negative.panoY), std::make_pair(-16, -2));
}

TEST(SegmentPlan4K, EveryCameraRowIsReadOnce) {
    for (int offsetY : {0, 1}) {
        for (int h : {1, 2, 5, 125, 126, 127, 252, 253, 300}) {
            const SegmentPlan4K p = planSegments4K(cv::Rect(4, 7, 100, h), 0, offsetY);
            int next = 6;
            for (const Segment4K& s : p.segments) {
                EXPECT_EQ(s.firstCameraRow, next);
                EXPECT_GE(s.firstCameraRow + offsetY, s.panoY);
                EXPECT_LE(s.firstCameraRow + s.cameraRows + offsetY, s.panoY + s.rows);
                next += s.cameraRows;
            }
            EXPECT_EQ(next, 6 + h) << "h " << h << " offsetY " << offsetY;
        }
    }
}

TEST_F(Camera4KExportTest, TallRectangleIsCutInto126126And48Rows) {
    // 120 columns at panorama column 4: aligned to columns 0..127.
    rig(256, 300, {oneBlockCamera(120, 300, 4, 0)});
    const DeviceTable t = exportAndRead();
    ASSERT_EQ(t.records[0].size(), 3u);
    const int rows[3] = {126, 126, 48};
    for (int s = 0; s < 3; ++s) {
        const RedressRecord& rec = t.records[0][static_cast<size_t>(s)];
        EXPECT_EQ(testsupport::header(rec), (std::vector<int>{0, 126 * s, 128, rows[s], 0, 0}));
        // The four alignment columns in front stay invalid; the rest read the
        // camera row of the same panorama row.
        for (int i = 0; i < rec.rows; i += 47) {
            EXPECT_EQ(rec.entries[static_cast<size_t>(i * 128 + 3)], kInvalidEntry);
            const int r = 126 * s + i;
            const float sx = 1.0f + 120.0f * 10.0f / 120.0f;
            const float sy = 1.0f + 170.0f * static_cast<float>(r) / 300.0f;
            EXPECT_EQ(testsupport::fx(rec, i, 14),
                      static_cast<uint16_t>(static_cast<int>(sx * 16.0f)));
            EXPECT_EQ(testsupport::fy(rec, i, 14),
                      static_cast<uint16_t>(static_cast<int>(sy * 16.0f)));
        }
    }
}

TEST_F(Camera4KExportTest, RectangleOnAnOddRowKeepsEntryRowZeroInvalid) {
    rig(64, 8, {oneBlockCamera(16, 5, 16, 1)});
    const DeviceTable t = exportAndRead();
    ASSERT_EQ(t.records[0].size(), 1u);
    const RedressRecord& rec = t.records[0][0];
    EXPECT_EQ(testsupport::header(rec), (std::vector<int>{16, 0, 16, 6, 0, 0}));
    EXPECT_EQ(rec.entries[15], kInvalidEntry);
    EXPECT_EQ(testsupport::fy(rec, 1, 0), 16);  // camera row 0
    EXPECT_NE(rec.entries[5 * 16 + 15], kInvalidEntry);
}

TEST_F(Camera4KExportTest, EmptyBlockStillTakesItsCounter) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("pic"));
    // Columns 0..15 read from source block 0, columns 16..31 from block 1; the
    // boundary leaves only block 1's columns, so the first block (k = 1) writes
    // nothing and block 1 (k = 2) draws in green on "-3".
    CameraSpec s = testsupport::cameraSpec(32, 4, 0, 0, [](int c, int r) {
        return cv::Vec2f(c < 16 ? 1.5f + static_cast<float>(c) : 120.0f + static_cast<float>(c),
                         1.5f + static_cast<float>(r));
    });
    s.imgBdy = {{16, 1}, {31, 0}};
    rig(64, 8, {s});
    const DeviceTable t = exportAndRead();
    ASSERT_EQ(t.records[0].size(), 1u);
    EXPECT_EQ(t.records[0][0].srcX0, 128);
    EXPECT_EQ(t.records[0][0].panoX, 16);

    const cv::Mat red = cv::imread(folder() + "pic/0-1.jpg");
    const cv::Mat blue = cv::imread(folder() + "pic/0-2.jpg");
    const cv::Mat green = cv::imread(folder() + "pic/0-3.jpg");
    const cv::Mat contours = cv::imread(folder() + "pic/0.jpg");
    ASSERT_FALSE(green.empty());
    EXPECT_EQ(green.cols, 64);  // panorama size
    EXPECT_EQ(green.rows, 8);
    EXPECT_LT(cv::sum(red)[2] + cv::sum(blue)[0], 200.0);
    EXPECT_GT(cv::sum(green)[1], 2000.0);
    EXPECT_GT(cv::sum(contours)[0], 2000.0);
}

TEST_F(Camera4KExportTest, WholeFileRoundTrip) {
    // Two overlapping cameras over several source blocks; camera 1 reads from
    // a mirrored, scaled source, and its weights fade out on the left.
    CameraSpec a = testsupport::cameraSpec(
        300, 200, 3, 5, [](int c, int r) { return cv::Vec2f(1.3f * c + 0.7f, 1.1f * r + 0.4f); });
    a.sourceWidth = 640;
    a.sourceHeight = 480;
    CameraSpec b = testsupport::cameraSpec(260, 210, 250, 0, [](int c, int r) {
        return cv::Vec2f(700.0f - 2.0f * c, 0.5f + 1.7f * r);
    });
    b.sourceWidth = 800;
    b.sourceHeight = 600;
    b.alpha = [](int c, int) { return static_cast<uint8_t>(std::min(255, c * 8)); };
    rig(512, 216, {a, b}, {0, 1});  // camera 1 on top
    const DeviceTable t = exportAndRead();

    EXPECT_GT(t.recordCount[0], 4u);
    EXPECT_GT(t.recordCount[1], 4u);

    // Every valid entry decodes to the source position of its panorama pixel.
    for (int i = 0; i < 2; ++i) {
        const Camara& cam = project.cameras[static_cast<size_t>(i)];
        for (const RedressRecord& rec : t.records[static_cast<size_t>(i)]) {
            bool any = false;
            for (int e = 0; e < rec.width * rec.rows; ++e) {
                if (rec.entries[static_cast<size_t>(e)] == kInvalidEntry) continue;
                any = true;
                const int ei = e / rec.width, ej = e % rec.width;
                const int r = rec.panoY + ei - cam.offsetY;
                const int c = rec.panoX + ej - cam.offsetX;
                ASSERT_TRUE(r >= 0 && c >= 0 && r < cam.coordMap.rows && c < cam.coordMap.cols);
                const cv::Vec2f src = cam.coordMap.at<cv::Vec2f>(r, c);
                EXPECT_NEAR(rec.srcX0 + testsupport::fx(rec, ei, ej) / 16.0, src[0], 1.0);
                EXPECT_NEAR(rec.srcY0 + testsupport::fy(rec, ei, ej) / 16.0, src[1], 1.0);
                EXPECT_NE(cam.displayImage.at<cv::Vec4b>(r, c)[3], 0);
            }
            EXPECT_TRUE(any);
        }
    }

    // The blend table: one 512-column block per row (blocks of 1500), the
    // weights in camera order.
    ASSERT_EQ(t.blend.records.size(), 216u);
    EXPECT_EQ(t.blendLength, 216u * (8 + 512 * 2));
    // Where camera 1 (top) is opaque it leaves nothing below; where it lets
    // 80 through, camera 0 gets what is left.
    EXPECT_EQ(t.blend.weight(295, 100, 1), 255);
    EXPECT_EQ(t.blend.weight(295, 100, 0), 0);
    EXPECT_EQ(t.blend.weight(260, 100, 1), 80);
    EXPECT_EQ(t.blend.weight(260, 100, 0), 175);
}

TEST_F(Camera4KExportTest, AbortsKeepThePreviousTable) {
    // A rectangle of 8190 columns (one source block) needs 8192 aligned columns.
    rig(8200, 4,
        {testsupport::cameraSpec(8190, 2, 2, 0, [](int, int) { return cv::Vec2f(10.5f, 10.5f); })});
    writeOldTable();
    ExportResult r = exportCamera4K(project);
    EXPECT_EQ(r.status, ExportResult::Status::Failed);
    EXPECT_EQ(r.message,
              "segmentMaxHeight is zero, the REDRESSPIC_MAX_VALID_BLOCKSIZE is too small");
    EXPECT_EQ(tableText(), "previous table");

    // A width that is not a multiple of 4 stops in the blend table.
    rig(3842, 4,
        {oneBlockCamera(20, 4, 0, 0), oneBlockCamera(20, 4, 100, 0), oneBlockCamera(20, 4, 200, 0),
         oneBlockCamera(20, 4, 300, 0)});
    r = exportCamera4K(project);
    EXPECT_EQ(r.status, ExportResult::Status::Failed);
    EXPECT_EQ(r.message, "blend table do not 4 byte align pixlen:102 pos.x:3740");
    EXPECT_EQ(r.path, tablePath());
    EXPECT_EQ(tableText(), "previous table");

    // The row field cannot count past 2047: refused before anything is written.
    rig(64, 2049, {oneBlockCamera(20, 4, 0, 0)});
    r = exportCamera4K(project);
    EXPECT_EQ(r.status, ExportResult::Status::Failed);
    EXPECT_NE(r.message.find("2049 rows"), std::string::npos) << r.message;
    EXPECT_EQ(tableText(), "previous table");
    // 2048 rows still fit: the last row is 2047.
    rig(64, 2048, {oneBlockCamera(20, 4, 0, 0)});
    const DeviceTable t = exportAndRead();
    const auto& blend = t.blend.records;
    ASSERT_EQ(blend.size(), 2048u);
    EXPECT_EQ(blend.back().rowField, 2047);
    EXPECT_EQ(blend[2040].rowField, 2040 | (7 << 11));
}

TEST_F(Camera4KExportTest, CameraCountLimits) {
    writeOldTable();
    rig(64, 8, {});
    ExportResult r = exportCamera4K(project);
    EXPECT_EQ(r.status, ExportResult::Status::NothingToExport);
    EXPECT_EQ(r.message, "No camera to export");

    rig(64, 8, std::vector<CameraSpec>(751, oneBlockCamera(4, 2, 0, 0)));
    r = exportCamera4K(project);
    EXPECT_EQ(r.status, ExportResult::Status::Failed);
    EXPECT_NE(r.message.find("751"), std::string::npos) << r.message;
    EXPECT_EQ(tableText(), "previous table");

    // Nothing to do without a panorama.
    rig(0, 8, {oneBlockCamera(4, 2, 0, 0)});
    EXPECT_EQ(exportCamera4K(project).status, ExportResult::Status::NothingToExport);
}

}  // namespace
