#include <gtest/gtest.h>

#include <QString>
#include <sstream>

#include "TempDir.h"
#include "file/Local8Bit.h"
#include "project/LoadReport.h"
#include "project/Project.h"

namespace {

std::string projectWithImages(const ScratchDir& dir, const std::string& name, int n) {
    std::ostringstream text;
    text << "p f2 w3840 h1920 v360 n\"TIFF_m\"\n";
    for (int i = 0; i < n; ++i) text << "i w1920 h1080 f0 v100 n\"cam" << i << ".jpg\"\n";
    return dir.write(name, text.str());
}

}  // namespace

TEST(Project, LoadResizesAndKeepsSurvivingSettings) {
    ScratchDir dir;
    Project p;
    p.blendValue = 1234;
    p.cameras[1].alpha = 0.25;
    p.cameras[1].hidden = true;
    p.cameras[2].dirL = 500;
    p.cameras[2].dirR = 600;
    p.cameras[0].highlighted = true;

    p.loadProject(projectWithImages(dir, "three.pto", 3));
    const std::string base = dir.path() + "/";
    ASSERT_EQ(p.cameras.size(), 3u);
    EXPECT_EQ(p.drawOrder, (std::deque<int>{2, 1, 0}));
    EXPECT_EQ(p.projectDir, base);
    EXPECT_EQ(p.tiffPath, QString::fromStdString(base + "tiff"));
    EXPECT_EQ(p.ptoFilePath, QString::fromStdString(base + "three.pto"));
    EXPECT_EQ(p.panoWidth, 3840);
    EXPECT_EQ(p.panoHeight, 1920);
    EXPECT_EQ(p.cameras[1].sourcePath, base + "cam1.jpg");
    EXPECT_EQ(p.cameras[1].imagePath, base + "tiff/pic0001.tif");
    EXPECT_EQ(p.cameras[1].mapXPath, base + "tiff/pic0001_x.tif");
    EXPECT_EQ(p.cameras[1].mapYPath, base + "tiff/pic0001_y.tif");
    EXPECT_EQ(p.blendValue, 1234) << "a load never resets the blend value";

    // Six cameras: the first three keep their settings, the new ones start fresh.
    p.loadProject(projectWithImages(dir, "six.pto", 6));
    ASSERT_EQ(p.cameras.size(), 6u);
    EXPECT_EQ(p.drawOrder, (std::deque<int>{5, 4, 3, 2, 1, 0}));
    std::vector<std::vector<double>> settings;
    for (const Camara& c : p.cameras)
        settings.push_back(
            {c.alpha, double(c.hidden), double(c.highlighted), double(c.dirL), double(c.dirR)});
    const std::vector<double> fresh = {1, 0, 0, 0, 0};
    EXPECT_EQ(settings,
              (std::vector<std::vector<double>>{
                  {1, 0, 1, 0, 0}, {0.25, 1, 0, 0, 0}, {1, 0, 0, 500, 600}, fresh, fresh, fresh}));
    EXPECT_EQ(p.cameras[5].imagePath, base + "tiff/pic0005.tif");
}

TEST(Project, CameraTenAndEmptyOrUnreadablePaths) {
    ScratchDir dir;
    Project p;
    p.loadProject(projectWithImages(dir, "twelve.pto", 12));
    ASSERT_EQ(p.cameras.size(), 12u);
    EXPECT_EQ(p.cameras[10].imagePath, dir.path() + "/tiff/pic00010.tif");
    EXPECT_EQ(p.cameras[10].mapXPath, dir.path() + "/tiff/pic00010_x.tif");
    EXPECT_EQ(p.cameras[11].mapYPath, dir.path() + "/tiff/pic00011_y.tif");

    // An empty path changes nothing.
    EXPECT_EQ(p.loadProject("").status, ProjectFileResult::Status::NoPath);
    EXPECT_EQ(p.cameras.size(), 12u);

    // An unreadable file leaves no cameras, but the paths are still set.
    p.loadProject(dir.file("missing.pto"));
    EXPECT_TRUE(p.cameras.empty());
    EXPECT_TRUE(p.drawOrder.empty());
    EXPECT_EQ(p.projectDir, dir.path() + "/");

    // A size the remapper would read otherwise: the cameras are loaded, the
    // size is not, and the result says where and why.
    std::ofstream(dir.file("twice.pto")) << "p w10 h5\np w20 h5\ni n\"a.jpg\"\n";
    const ProjectFileResult read = p.loadProject(dir.file("twice.pto"));
    EXPECT_EQ(read.status, ProjectFileResult::Status::NoSize);
    EXPECT_EQ(read.message.toStdString(), dir.file("twice.pto") + ":2: a second 'p' line");
    EXPECT_EQ(p.cameras.size(), 1u);
    EXPECT_EQ(p.panoWidth, 0);
}

TEST(Project, NonAsciiPathsSurviveTheRoundTrip) {
    ScratchDir dir;
    const QString folder = QString::fromStdString(dir.path()) + QString::fromUtf8("/相机 ü");
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string folder8 = toLocal8BitString(folder);
    EXPECT_EQ(QString::fromLocal8Bit(folder8.c_str()), folder);

    std::ofstream(folder8 + "/rig.pto") << "p w10 h5\ni n\"图.jpg\"\n";
    Project p;
    p.loadProject(folder8 + "/rig.pto");
    ASSERT_EQ(p.cameras.size(), 1u);
    EXPECT_EQ(p.projectDir, folder8 + "/");
    EXPECT_EQ(p.cameras[0].sourcePath, folder8 + "/图.jpg");
    EXPECT_EQ(p.tiffPath, folder + "/tiff");
}

TEST(Project, CamerasLeftOutOfTheTablesAreNamedWithTheReason) {
    Project p;  // four cameras
    const cv::Mat pixel(4, 8, CV_8UC4, cv::Scalar(1, 2, 3, 255));
    for (Camara& c : p.cameras) {
        c.image = c.displayImage = pixel;
        c.sourceSize = pixel.size();
        c.coordMap = cv::Mat(4, 8, CV_32FC2, cv::Scalar(1, 1));
        c.imgBdy = {{1, 1}, {6, 0}};
    }
    p.cameras[0].sourcePath = "/rig/front.jpg";
    p.cameras[0].sourceSize = cv::Size();
    p.cameras[2].displayImage = cv::Mat(4, 8, CV_8UC4, cv::Scalar(1, 2, 3, 0));
    const std::vector<CameraProblem> out = camerasLeftOut(p);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].message(),
              "camera 0 (front.jpg): its source image /rig/front.jpg cannot be read: it does "
              "not exist; it is left out of the tables");
    EXPECT_EQ(out[1].index, 2);  // its crop cleared every pixel
}
