#include <gtest/gtest.h>

#include <QFile>
#include <opencv2/imgcodecs.hpp>

#include "DeviceTableReader.h"
#include "ExportFixture.h"
#include "export/Camera2KExport.h"

using testsupport::CameraSpec;
using testsupport::readSoundTable;

namespace {

using testsupport::cameraSpec;

void expectHeader(const RedressRecord& r, int panoX, int panoY, int width, int rows, int srcX0,
                  int srcY0) {
    EXPECT_EQ(testsupport::header(r), (std::vector<int>{panoX, panoY, width, rows, srcX0, srcY0}));
}

class Camera2KExport : public testsupport::ExportFixture {
protected:
    testsupport::ExportRun export2K() {
        return runExport([](const Project& p) { return exportCamera2K(p); });
    }
};

// Three cameras: a 400 x 50 and a 400 x 80 region, each inside one source
// block, and a small camera whose pixels fall into two blocks.
TEST_F(Camera2KExport, WritesRecordsAndBlendTable) {
    rig(1920, 1080,
        {cameraSpec(400, 50, 32, 7,
                    [](int c, int r) { return cv::Vec2f(1 + 0.25f * c, 1 + 0.5f * r); }),
         cameraSpec(400, 80, 432, 100,
                    [](int c, int r) { return cv::Vec2f(1 + 0.25f * c, 181 + 0.5f * r); }),
         cameraSpec(20, 2, 0, 300,
                    [](int c, int r) { return cv::Vec2f(5 + 10.0f * c, 2.0f + r); })});
    const testsupport::ExportRun run = export2K();
    ASSERT_TRUE(run.result.written()) << run.result.message;
    EXPECT_EQ(run.result.path, file("Camera_2K_Project.tab"));
    EXPECT_EQ(noticesShown, 1);

    // Column 0 is fully owned by one camera only in rows 300 and 301.
    std::string diagnostic;
    for (int y = 0; y < 1080; ++y)
        if (y != 300 && y != 301) diagnostic += std::to_string(y) + " ";
    EXPECT_EQ(run.console, diagnostic +
                               "pic:0 count_total:2  real:total:2\r\n"
                               "pic:1 count_total:2  real:total:2\r\n"
                               "pic:2 count_total:2  real:total:2\r\n"
                               "total count:2160\r\n"
                               "split count:0    over block max size:1080\r\n"
                               "Export Camera_2K_Project.tab OK.");

    const auto t = readSoundTable(run.result.path);
    EXPECT_EQ(t.N, 3);
    EXPECT_EQ(t.blendRecords, 2160u);  // 1080 rows x 2 blocks (1000 + 920 wide)
    EXPECT_EQ(t.blendLength, 1080u * (8 + 1000 * 3 + 8 + 920 * 3));
    EXPECT_EQ(t.recordCount, (std::vector<uint32_t>{2, 2, 2}));

    // w = 400 gives 40 rows per record: 50 rows are cut 40 + 10, 80 rows 40 + 40.
    const auto& c0 = t.records[0];
    expectHeader(c0[0], 32, 7, 400, 40, 0, 0);
    expectHeader(c0[1], 32, 47, 400, 10, 0, 0);
    for (int s = 0; s < 2; ++s)
        for (int i = 0; i < c0[s].rows; ++i)
            for (int j = 0; j < 400; ++j)
                ASSERT_EQ(c0[s].entries[i * 400 + j], packEntry(16 + 4 * j, 16 + 8 * (i + 40 * s)))
                    << s << " " << i << " " << j;
    const auto& c1 = t.records[1];
    expectHeader(c1[0], 432, 100, 400, 40, 0, 180);
    expectHeader(c1[1], 432, 140, 400, 40, 0, 180);
    EXPECT_EQ(c1[1].entries[39 * 400 + 399], packEntry(16 + 4 * 399, 16 + 8 * 79));

    // Block (0, 0) holds columns 0..12, block (1, 0) columns 13..19; each record
    // reads the other block's pixels as invalid.
    const auto& c2 = t.records[2];
    expectHeader(c2[0], 0, 300, 16, 2, 0, 0);
    expectHeader(c2[1], 0, 300, 32, 2, 128, 0);
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 16; ++j)
            EXPECT_EQ(c2[0].entries[i * 16 + j],
                      j <= 12 ? packEntry(16 * (5 + 10 * j), 16 * (2 + i)) : kInvalidEntry);
        for (int j = 0; j < 32; ++j)
            EXPECT_EQ(c2[1].entries[i * 32 + j], j >= 13 && j <= 19
                                                     ? packEntry(16 * (10 * j - 123), 16 * (2 + i))
                                                     : kInvalidEntry);
    }

    // The reader checked every blend record's header; the weights of cameras 0, 1, 2:
    auto weight = [&](int x, int y, int cam) { return t.blend.weight(x, y, cam); };
    EXPECT_EQ(weight(32, 7, 0), 255);
    EXPECT_EQ(weight(431, 56, 0), 255);
    EXPECT_EQ(weight(432, 56, 0), 0);
    EXPECT_EQ(weight(831, 179, 1), 255);
    EXPECT_EQ(weight(19, 301, 2), 255);
    EXPECT_EQ(weight(20, 301, 2), 0);
    EXPECT_EQ(weight(1919, 1079, 0) + weight(1919, 1079, 1) + weight(1919, 1079, 2), 0);
}

// A region at panorama column 37, 20 wide, moves left to column 32 and grows to
// 32 entries; large panoramas also start and end it on even rows.
TEST_F(Camera2KExport, AlignsRegionsToTheDeviceGrid) {
    for (const bool large : {false, true}) {
        SCOPED_TRACE(large ? "3840 x 1920" : "1920 x 1080");
        rig(large ? 3840 : 1920, large ? 1920 : 1080, {cameraSpec(20, 50, 37, 101)});
        const testsupport::ExportRun run = export2K();
        ASSERT_TRUE(run.result.written()) << run.result.message;
        const auto t = readSoundTable(run.result.path);
        ASSERT_EQ(t.recordCount[0], 1u);
        const RedressRecord& r = t.records[0][0];
        // Default map: source (c + 0.5, r + 0.5).
        const int first = large ? 1 : 0;  // row 99 of the panorama, above the camera
        expectHeader(r, 32, 101 - first, 32, 50 + 2 * first, 0, 0);
        EXPECT_EQ(r.entries[0], kInvalidEntry);
        EXPECT_EQ(r.entries[first * 32 + 4], kInvalidEntry);
        EXPECT_EQ(r.entries[first * 32 + 5], packEntry(8, 8));
        EXPECT_EQ(r.entries[(first + 49) * 32 + 24], packEntry(16 * 19 + 8, 16 * 49 + 8));
        EXPECT_EQ(r.entries[(first + 49) * 32 + 25], kInvalidEntry);
        EXPECT_EQ(r.entries[(50 + 2 * first) * 32 - 1], kInvalidEntry);
    }
}

// 16368 entries is the most a record may carry: one row each; 16384 stops the
// export and keeps the previous table.
TEST_F(Camera2KExport, RecordWidthLimit) {
    auto wide = [](int cols) {
        return cameraSpec(cols, 4, 0, 0,
                          [](int c, int r) { return cv::Vec2f(1 + c / 130.0f, 1.0f + r); });
    };
    rig(16400, 4, {wide(16368)});
    testsupport::ExportRun run = export2K();
    ASSERT_TRUE(run.result.written()) << run.result.message;
    auto t = readSoundTable(run.result.path);
    ASSERT_EQ(t.recordCount[0], 4u);
    expectHeader(t.records[0][3], 0, 3, 16368, 1, 0, 0);

    writeFile("Camera_2K_Project.tab", "previous table");
    noticesShown = 0;
    rig(16400, 4, {wide(16384)});
    run = export2K();
    EXPECT_EQ(run.result.status, ExportResult::Status::Failed);
    EXPECT_EQ(run.result.message, "Export OpMapping.tab failed.");
    EXPECT_EQ(run.console, "Export OpMapping.tab failed.");
    EXPECT_EQ(readText("Camera_2K_Project.tab"), "previous table");
    EXPECT_EQ(entries(), QStringList{"Camera_2K_Project.tab"});
    EXPECT_EQ(noticesShown, 0);
}

TEST_F(Camera2KExport, BlendTableWeightsAndAlignment) {
    rig(16, 2,
        {cameraSpec(16, 2, 0, 0, nullptr, 100), cameraSpec(16, 2, 0, 0, nullptr, 200),
         cameraSpec(16, 2, 0, 0, nullptr, 50)},
        {1, 2});
    testsupport::ExportRun run = export2K();
    ASSERT_TRUE(run.result.written()) << run.result.message;
    // Position 1 (camera 2) keeps 50; position 0 (camera 1) gets
    // trunc(200 / 255 * 205) = 160. Camera 0 counts position 0 a second time,
    // so every pixel sums to 370: the reader reports each record.
    auto t = testsupport::readDeviceTable(run.result.path);
    ASSERT_EQ(t.blend.rowsRead, 2);
    EXPECT_EQ(t.violations.total(), 2u);
    EXPECT_EQ(t.violations.list()[0].offset, t.blendOffset + 8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(std::vector<int>({t.blend.weight(x, y, 0), t.blend.weight(x, y, 1),
                                        t.blend.weight(x, y, 2)}),
                      std::vector<int>({160, 160, 50}));

    // W = 1922 with three cameras: the second block is 922 wide.
    const std::vector<uint8_t> before = testsupport::readFileBytes(run.result.path);
    noticesShown = 0;
    rig(1922, 2, {cameraSpec(16, 2, 0, 0), cameraSpec(16, 2, 0, 0), cameraSpec(16, 2, 0, 0)});
    run = export2K();
    EXPECT_EQ(run.result.status, ExportResult::Status::Failed);
    EXPECT_EQ(run.result.message, "blend table do not 4 byte align pixlen:922 pos.x:1000");
    EXPECT_EQ(run.console,
              "pic:0 count_total:1  real:total:1\r\n"
              "pic:1 count_total:1  real:total:1\r\n"
              "pic:2 count_total:1  real:total:1\r\n"
              "blend table do not 4 byte align pixlen:922 pos.x:1000\r\n");
    EXPECT_EQ(testsupport::readFileBytes(run.result.path), before);
    EXPECT_EQ(entries(), QStringList{"Camera_2K_Project.tab"});
    EXPECT_EQ(noticesShown, 0);
}

// Records without a valid entry are skipped; a broken boundary list costs the
// camera its records; the debug images show the contours and record outlines.
TEST_F(Camera2KExport, SkippedRecordsAndDebugImages) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("pic"));
    CameraSpec broken = cameraSpec(2, 2, 40, 0);
    broken.imgBdy = {{0, 1}, {1, 0}, {1, 1}};
    rig(64, 8, {cameraSpec(16, 4, 0, 0, nullptr, 0), broken, cameraSpec(16, 4, 16, 2)});
    const testsupport::ExportRun run = export2K();
    ASSERT_TRUE(run.result.written()) << run.result.message;
    const std::string bdy = "bdy count :3\r\n";
    EXPECT_EQ(run.console, "0 1 2 3 4 5 6 7 pic:0 count_total:0  real:total:0\r\n" + bdy + bdy +
                               bdy + bdy +
                               "pic:1 count_total:0  real:total:0\r\n"
                               "pic:2 count_total:1  real:total:1\r\n"
                               "total count:8\r\n"
                               "split count:0    over block max size:8\r\n"
                               "Export Camera_2K_Project.tab OK.");
    const auto t = readSoundTable(run.result.path);
    EXPECT_EQ(t.recordCount, (std::vector<uint32_t>{0, 0, 1}));
    EXPECT_EQ(t.sectionLength[0], 0u);
    EXPECT_EQ(t.sectionOffset[1], t.sectionOffset[0]);

    // Camera 2's single block has counter 1: its outline is blue, on "-2".
    const std::string pic = folder() + "pic/";
    const cv::Mat contours = cv::imread(pic + "2.jpg");
    const cv::Mat outline = cv::imread(pic + "2-2.jpg");
    ASSERT_EQ(contours.size(), cv::Size(16, 4));
    ASSERT_EQ(outline.size(), cv::Size(16, 4));
    EXPECT_GT(cv::sum(contours)[1], 1000);  // white
    const cv::Scalar blue = cv::sum(outline);
    EXPECT_GT(blue[0], 2 * blue[2] + 1000);
    EXPECT_EQ(cv::sum(cv::imread(pic + "0-2.jpg"))[0], 0);

    // Built in memory for the device view: the same bytes, and no file, debug
    // image, console line or notice.
    const std::vector<uint8_t> written = testsupport::readFileBytes(run.result.path);
    ASSERT_TRUE(QDir(pic.c_str()).removeRecursively() && QDir(dir.path()).mkdir("pic"));
    ASSERT_TRUE(QFile::remove(run.result.path.c_str()));
    QByteArray memory;
    const testsupport::ExportRun built =
        runExport([&memory](const Project& p) { return buildCamera2KTable(p, memory); });
    ASSERT_TRUE(built.result.written()) << built.result.message;
    EXPECT_EQ(std::vector<uint8_t>(memory.begin(), memory.end()), written);
    EXPECT_EQ(built.console, "");
    EXPECT_EQ(noticesShown, 1);
    EXPECT_TRUE(QDir(pic.c_str()).isEmpty());
    EXPECT_FALSE(QFile::exists(run.result.path.c_str()));
}

// Tables the device could not read are refused before anything is written:
// 16-bit positions and sizes, 8-bit block numbers.
TEST_F(Camera2KExport, RefusesUndescribableTables) {
    writeFile("Camera_2K_Project.tab", "previous table");
    rig(70000, 2, {cameraSpec(16, 2, 0, 0)});
    testsupport::ExportRun run = export2K();
    EXPECT_EQ(run.result.status, ExportResult::Status::Failed);
    EXPECT_EQ(run.console,
              "Panorama 70000 x 2 too large for Camera_2K_Project.tab (at most 65535 x 65535)\r\n");

    // 300 cameras: blocks 8 columns wide, so 2048 columns need 256 blocks.
    rig(2048, 1, std::vector<CameraSpec>(300, cameraSpec(1, 1, 0, 0)));
    run = export2K();
    EXPECT_EQ(run.result.status, ExportResult::Status::Failed);
    EXPECT_EQ(run.console,
              "Too many blend blocks per row for Camera_2K_Project.tab: 256 (at most 255)\r\n");
    EXPECT_EQ(run.result.message,
              "Too many blend blocks per row for Camera_2K_Project.tab: 256 (at most 255)");
    EXPECT_EQ(readText("Camera_2K_Project.tab"), "previous table");
    EXPECT_EQ(entries(), QStringList{"Camera_2K_Project.tab"});
    EXPECT_EQ(noticesShown, 0);
}

}  // namespace
