// The main window's load sequence: broken projects, cameras left out of the
// tables, reloads in automatic mode.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QProcess>
#include <QStatusBar>
#include <memory>

#include "LoadProgressDialog.h"
#include "MainWindow.h"
#include "RightSetting.h"
#include "TempDir.h"
#include "UiTestSupport.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        project = &resetProject(4);
        window = std::make_unique<MainWindow>();
    }
    void TearDown() override {
        window.reset();
        resetProject(0);
    }
    Project* project = nullptr;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, LoadingAnUnreadableProjectWarnsAndEmptiesThePanels) {
    ScratchDir dir;
    const std::pair<std::string, const char*> files[] = {
        {"/nonexistent/folder/rig.pto", "does not exist"},
        {dir.write("empty.pto", ""), "is empty"},
        {dir.write("garbage.pto", "\x7f\x01garbage\n"), "no panorama line"},
    };
    for (const auto& [path, reason] : files) {
        MessageBoxCloser closer;
        testing::internal::CaptureStdout();
        window->loadSequence(path);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(closer.boxes, 1) << path;
        EXPECT_TRUE(closer.text.contains(QString::fromStdString(path))) << path;
        EXPECT_TRUE(closer.text.contains(reason)) << closer.text.toStdString();
    }
    EXPECT_TRUE(project->cameras.empty());
    EXPECT_TRUE(window->findChild<RightSetting*>()->panels.isEmpty());
    EXPECT_TRUE(project->loaded);
    // The progress dialog lived only while the load ran.
    EXPECT_EQ(window->findChild<LoadProgressDialog*>(), nullptr);
}

// A level ring, and the same ring with a 360-degree camera whose middle row has
// no edge, loaded for real through the remapper.
TEST_F(MainWindowTest, CamerasLeftOutAndReloadsInAutomaticMode) {
    ScratchDir dir;
    std::string ring = "p f2 w960 h480 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n";
    for (int k = 0; k < 4; ++k)
        ring += "i w320 h180 f0 v100 r0 p0 y" + std::to_string(90 * k) + " n\"c" +
                std::to_string(k) + ".jpg\"\n";
    const std::string rig = dir.write("rig.pto", ring);
    const std::string rig360 =
        dir.write("rig360.pto", ring + "i w320 h160 f4 v360 r0 p0 y0 n\"pano360.jpg\"\n");
    for (const std::string& pto : {rig, rig360})
        ASSERT_EQ(QProcess::execute(ORVIK_BIN_DIR "/riggen", {QString::fromStdString(pto)}), 0);
    testing::internal::CaptureStdout();

    // The camera without a boundary is named in the status bar, and an export
    // ends with a warning besides the completion box.
    window->loadSequence(rig360);
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("camera 4 (pano360.jpg)"));
    {
        MessageBoxCloser closer;
        window->findChild<QAction*>("actionExport_FPGA")->trigger();
        EXPECT_EQ(closer.boxes, 2);
        EXPECT_TRUE(closer.text.contains("camera 4 (pano360.jpg)")) << closer.text.toStdString();
    }

    // A reload while the automatic box is ticked gives the automatic seams.
    window->loadSequence(rig);
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
    std::vector<std::vector<BoundaryEdge>> manual, automatic;
    for (const Camara& c : project->cameras) manual.push_back(c.imgBdy);
    window->findChild<QCheckBox*>("m_AutoMixCombox")->setChecked(true);
    for (const Camara& c : project->cameras) automatic.push_back(c.imgBdy);
    EXPECT_NE(automatic, manual);
    window->loadSequence(rig);
    for (size_t i = 0; i < automatic.size(); ++i)
        EXPECT_EQ(project->cameras[i].imgBdy, automatic[i]) << "camera " << i;
    testing::internal::GetCapturedStdout();
}

}  // namespace
