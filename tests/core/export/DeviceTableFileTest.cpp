#include <gtest/gtest.h>

#include "ExportFixture.h"
#include "export/DeviceTableFile.h"

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

// A table whose export stops half-way (the file object goes away without
// finish) must leave the previous table byte for byte, and no stray file.
// (A finished export replacing a file: the QuickWeave test's second export.)
TEST_F(DeviceTableFileTest, AbandonedExportKeepsPreviousTable) {
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

}  // namespace
