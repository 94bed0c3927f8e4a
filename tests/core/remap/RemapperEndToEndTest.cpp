// The whole load sequence through a real remapper on a small generated rig:
// four 160 x 120 rectilinear cameras of 100 degrees, yaw 0, 90, 180 and 270, in
// an 800 x 400 equirectangular panorama (camera 2 wraps around the border);
// either full-panorama layers, or cropped layers (each with an offset). The ring
// is level, so each camera's valid region has vertical sides: only the layer's
// transparent margin gives its middle row the two edges the tool cuts at.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <opencv2/imgcodecs.hpp>

#include "CoreApp.h"
#include "project/Project.h"
#include "remap/RemapRun.h"

namespace {

constexpr int kPanoW = 800, kPanoH = 400;
constexpr int kYaw[4] = {0, 90, 180, 270};

struct RigShape {
    bool crop;
    int roll;  // degrees
};

// Writes the rig into `dir` and returns the PTO path.
QString writeRig(const QString& dir, RigShape shape) {
    QString text = QString("p f2 w800 h400 v360 E0 R0 n\"TIFF_m c:LZW%1\"\nm i0\n")
                       .arg(shape.crop ? " r:CROP" : "");
    for (int i = 0; i < 4; ++i) {
        cv::Mat frame(120, 160, CV_8UC3, cv::Scalar(40 * i, 100, 200 - 40 * i));
        cv::imwrite(QString("%1/cam%2.png").arg(dir).arg(i).toStdString(), frame);
        text += QString("i w160 h120 f0 v100 r%1 p0 y%2 n\"cam%3.png\"\n")
                    .arg(shape.roll)
                    .arg(kYaw[i])
                    .arg(i);
    }
    const QString pto = dir + "/rig.pto";
    QFile f(pto);
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    return pto;
}

// Whether panorama column x of the equator is inside camera i, and its distance in
// columns from the nearest edge of that camera's run. On the equator a rolled
// camera reaches the longitude where the rotated horizontal line leaves the frame.
std::pair<bool, double> expected(int i, int x, int roll) {
    const double rad = 3.14159265358979 / 180.0;
    const double halfW = std::tan(50.0 * rad), halfH = halfW * 120.0 / 160.0;
    const double c = std::fabs(std::cos(roll * rad)), s = std::fabs(std::sin(roll * rad));
    const double reach = std::min(halfW / c, s > 0 ? halfH / s : 1e9);
    const double half = std::atan(reach) / rad;
    double lon = (x + 0.5) / kPanoW * 360.0 - 180.0 - kYaw[i];
    lon = std::remainder(lon, 360.0);
    const double edgeDistance = std::fabs(std::fabs(lon) - half) * kPanoW / 360.0;
    return {std::fabs(lon) <= half, edgeDistance};
}

// Loads the rig with `remapper` (empty: the one beside the executable) and checks
// every camera against the rig's geometry; the coordinate maps only if `maps`.
void loadAndCheck(const QString& remapper, bool maps, RigShape shape) {
    QTemporaryDir root;
    const QString dir = root.path() + "/ring rig";
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString pto = writeRig(dir, shape);
    Project project;
    project.loadProject(pto.toStdString());
    ASSERT_EQ(project.cameras.size(), 4u);
    if (remapper.isEmpty())
        project.runRemapper();
    else
        runRemapperWith(project, remapper);
    EXPECT_TRUE(project.lastRemapperError.isEmpty()) << project.lastRemapperError.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir + "/tiff"));

    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("camera " + std::to_string(i));
        const Camara& cam = project.cameras[static_cast<size_t>(i)];
        ASSERT_FALSE(cam.image.empty());
        if (maps) {
            ASSERT_EQ(cam.coordMap.size(), cam.image.size());
            ASSERT_EQ(cam.coordMap.type(), CV_32FC2);
        }
        EXPECT_GE(cam.offsetX, 0);
        EXPECT_GE(cam.offsetY, 0);
        EXPECT_LE(cam.offsetX + cam.image.cols, kPanoW);
        EXPECT_LE(cam.offsetY + cam.image.rows, kPanoH);
        EXPECT_EQ(cam.sourceImage.size(), cv::Size(160, 120));
        if (shape.crop && kYaw[i] != 180) {
            // Cropped to the camera: a real offset and far less than the panorama.
            EXPECT_GT(cam.offsetX, 0);
            EXPECT_GT(cam.offsetY, 0);
            EXPECT_LT(cam.image.cols, kPanoW / 2);
        }
        EXPECT_EQ(cam.imgBdy.size(), 2u);
        // The valid middle row sits where the rig puts it (offset included).
        const int m = cam.image.rows / 2;
        int wrong = 0;
        for (int c = 0; c < cam.image.cols; ++c) {
            const bool valid = cam.image.at<cv::Vec4b>(m, c)[3] != 0;
            const auto [inside, edgeDistance] = expected(i, cam.offsetX + c, shape.roll);
            if (valid != inside && edgeDistance > 2.0) ++wrong;
        }
        EXPECT_EQ(wrong, 0);
        // The camera's centre looks at the middle of its source frame.
        const int centre = (kPanoW / 2 + kYaw[i] * kPanoW / 360) % kPanoW - cam.offsetX;
        if (maps && centre >= 0 && centre < cam.image.cols) {
            const cv::Vec2f src = cam.coordMap.at<cv::Vec2f>(kPanoH / 2 - cam.offsetY, centre);
            EXPECT_NEAR(src[0], 80.0, 1.5);
            EXPECT_NEAR(src[1], 60.0, 1.5);
        }
    }

    // Again with a tiff folder of the user's own beside the project: it survives.
    ASSERT_TRUE(QDir().mkpath(dir + "/tiff"));
    QFile keep(dir + "/tiff/keep.txt");
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("mine");
    keep.close();
    if (remapper.isEmpty())
        project.runRemapper();
    else
        runRemapperWith(project, remapper);
    EXPECT_TRUE(project.lastRemapperError.isEmpty());
    EXPECT_FALSE(project.cameras[3].image.empty());
    EXPECT_EQ(QDir(dir + "/tiff").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{"keep.txt"});
}

}  // namespace

TEST(RemapperEndToEnd, RingThroughNona2) {
    ensureCoreApplication();
    if (!QFileInfo(QString(ORVIK_BIN_DIR) + "/nona2").isExecutable())
        GTEST_SKIP() << "nona2 not built in " << ORVIK_BIN_DIR;
    loadAndCheck(QString(), true, {false, 0});
    loadAndCheck(QString(), true, {true, 0});
}

// The same rig through Hugin's nona, the program nona2 stands in for: checks the
// images, offsets, boundaries and clean-up against the reference remapper's files.
// Its coordinate maps are 16-bit integers in this mode, which the loader refuses.
TEST(RemapperEndToEnd, RingThroughHuginNona) {
    ensureCoreApplication();
    if (!QFileInfo("/usr/bin/nona").isExecutable()) GTEST_SKIP() << "Hugin's nona not installed";
    loadAndCheck("/usr/bin/nona", false, {false, 0});
    loadAndCheck("/usr/bin/nona", false, {true, 0});
}
