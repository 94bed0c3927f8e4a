#include <gtest/gtest.h>

#include "DeviceTableReader.h"
#include "ExportFixture.h"
#include "export/DebugImages.h"
#include "export/DeviceTableFile.h"
#include "tables/ByteView.h"

using testsupport::CameraSpec;

namespace {

class DeviceTableFileTest : public testsupport::ExportFixture {
protected:
    void SetUp() override {
        ExportFixture::SetUp();
        CameraSpec a = testsupport::cameraSpec(20, 10);
        a.sourceWidth = 640;
        a.sourceHeight = 480;
        CameraSpec b = a;
        b.offsetX = 16;
        b.sourceWidth = 800;  // the header takes camera 0's size only
        rig(100, 40, {a, b});
        snap = takeExportSnapshot(project, nullptr);
        ASSERT_TRUE(snap);
    }

    std::optional<ExportSnapshot> snap;
};

TEST_F(DeviceTableFileTest, RoundTrip) {
    DeviceTableFile file(*snap, "T.tab");
    ASSERT_TRUE(file.open().written());
    // Camera 0: two records; camera 1: none.
    file.beginCamera(0);
    RedressRecord r1 = RedressRecord::make(16, 2, 32, 3, 2, 1);
    RemapEntry e;
    e.fx = 2032;
    e.fy = 2864;
    e.valid = true;
    r1.set(2, 31, e);
    file.writeRecord(r1);
    RedressRecord r2 = RedressRecord::make(0, 0, 16, 1023, 0, 0);  // 16368 entries
    r2.set(0, 0, RemapEntry{1, 2, true});
    file.writeRecord(r2);
    file.endCamera();
    EXPECT_EQ(file.recordCount(0), 2u);
    file.beginCamera(1);
    file.endCamera();
    // A blend table that patches an earlier byte of itself.
    file.beginBlendTable();
    const int64_t blendStart = file.out().pos();
    for (int i = 0; i < 10; ++i) file.out().u16(static_cast<uint16_t>(i));
    file.out().patchU16(blendStart + 4, 0xF802);
    file.endBlendTable(10);
    const ExportResult done = file.finish();
    ASSERT_TRUE(done.written()) << done.message;
    EXPECT_EQ(done.path, dir.path().toStdString() + "/T.tab");

    // The reader checks the magic, the fixed fields, the file size field, the
    // (W, H) and zero arrays and the records' filler; this blend table is no
    // real one, so it reports only that.
    const auto t = testsupport::readDeviceTable(done.path);
    ASSERT_TRUE(t.readable);
    for (const TableViolation& v : t.violations.list())
        EXPECT_NE(v.message.find("blend"), std::string::npos) << v.message;
    // The header's fields are pinned by the golden file; here the sections: an
    // empty one ends where the blend table starts.
    const uint32_t first = 128 + 20 * 2, blendAt = first + 2 * 65552;
    EXPECT_EQ(t.sectionOffset, (std::vector<uint32_t>{first, blendAt}));
    EXPECT_EQ(t.sectionLength, (std::vector<uint32_t>{2 * 65552, 0}));
    EXPECT_EQ(t.recordCount, (std::vector<uint32_t>{2, 0}));
    EXPECT_EQ(std::vector<int64_t>({t.sourceWidth0, t.blendOffset, t.blendLength, t.blendRecords}),
              std::vector<int64_t>({640, blendAt, 20, 10}));

    const auto& a = t.records[0][0];
    EXPECT_EQ(testsupport::header(a), (std::vector<int>{16, 2, 32, 3, 256, 180}));
    EXPECT_EQ(testsupport::fx(a, 2, 31), 2032);
    EXPECT_EQ(testsupport::fy(a, 2, 31), 2864);
    EXPECT_EQ(a.entries[0], kInvalidEntry);
    EXPECT_EQ(a.entries[2 * 32 + 30], kInvalidEntry);
    const auto& b = t.records[0][1];
    EXPECT_EQ(b.rows, 1023);
    EXPECT_EQ(b.entries[0], (2u << 16) | 1u);
    const std::vector<uint8_t> bytes = testsupport::readFileBytes(done.path);
    const ByteView blend(bytes.data() + t.blendOffset, t.blendLength);
    EXPECT_EQ(blend.u16(0), 0);
    EXPECT_EQ(blend.u16(4), 0xF802);
    EXPECT_EQ(blend.u16(18), 9);
    // Only the table itself is left in the folder.
    EXPECT_EQ(entries(), QStringList{"T.tab"});
}

// A table whose export stops half-way (the file object goes away without
// finish) must leave the previous table byte for byte, and no stray file.
TEST_F(DeviceTableFileTest, AbandonedExportKeepsPreviousTable) {
    const std::string path = snap->outputPath("Camera_2K_Project.tab");
    writeFile("Camera_2K_Project.tab", "previous table");
    {
        DeviceTableFile file(*snap, "Camera_2K_Project.tab");
        ASSERT_TRUE(file.open().written());
        file.beginCamera(0);
        file.writeRecord(RedressRecord::make(0, 0, 16, 2, 0, 0));
        // ... a format failure: return without finish().
    }
    EXPECT_EQ(readText("Camera_2K_Project.tab"), "previous table");
    EXPECT_EQ(entries(), QStringList{"Camera_2K_Project.tab"});

    // A finished export replaces it.
    DeviceTableFile again(*snap, "Camera_2K_Project.tab");
    ASSERT_TRUE(again.open().written());
    again.beginCamera(0);
    again.endCamera();
    again.beginCamera(1);
    again.endCamera();
    again.beginBlendTable();
    again.endBlendTable(0);
    ASSERT_TRUE(again.finish().written());
    EXPECT_EQ(testsupport::readDeviceTable(path).fileSize, 128u + 40u);
}

TEST_F(DeviceTableFileTest, UncreatableFileIsReportedWithPathAndReason) {
    snap->projectDir = dir.path().toStdString() + "/missing-folder/";
    DeviceTableFile file(*snap, "Camera_4K_Project.tab");
    testsupport::RecordingReporter console;
    const ExportResult r = file.open();
    const std::string out = console.take();
    EXPECT_EQ(r.status, ExportResult::Status::Failed);
    EXPECT_EQ(r.path, snap->projectDir + "Camera_4K_Project.tab");
    EXPECT_NE(r.message.find(r.path), std::string::npos) << r.message;
    EXPECT_GT(r.message.size(), r.path.size() + 16) << "no reason given: " << r.message;
    EXPECT_EQ(out, r.message + "\r\n");
    EXPECT_FALSE(QDir(QString::fromStdString(snap->projectDir)).exists());
}

TEST_F(DeviceTableFileTest, DebugImagesGoToPicFolderOnlyIfItExists) {
    // The colours per block are checked through the exports' debug images.
    DebugImages images(cv::Size(20, 10));
    images.save(snap->projectDir, 1);  // no "pic" folder: nothing, no error
    EXPECT_FALSE(QDir(dir.path() + "/pic").exists());
    ASSERT_TRUE(QDir(dir.path()).mkdir("pic"));
    images.save(snap->projectDir, 1);
    for (const char* name : {"1.jpg", "1-1.jpg", "1-2.jpg", "1-3.jpg"})
        EXPECT_TRUE(QFileInfo(dir.path() + "/pic/" + name).size() > 0) << name;
}

}  // namespace
