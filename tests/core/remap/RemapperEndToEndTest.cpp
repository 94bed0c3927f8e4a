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

// Writes the rig into `dir` and returns the PTO path.
QString writeRig(const QString& dir, bool crop) {
    QString text =
        QString("p f2 w800 h400 v360 E0 R0 n\"TIFF_m c:LZW%1\"\nm i0\n").arg(crop ? " r:CROP" : "");
    for (int i = 0; i < 4; ++i) {
        cv::Mat frame(120, 160, CV_8UC3, cv::Scalar(40 * i, 100, 200 - 40 * i));
        cv::imwrite(QString("%1/cam%2.png").arg(dir).arg(i).toStdString(), frame);
        text += QString("i w160 h120 f0 v100 r0 p0 y%1 n\"cam%2.png\"\n").arg(kYaw[i]).arg(i);
    }
    const QString pto = dir + "/rig.pto";
    QFile f(pto);
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    return pto;
}

// Whether panorama column x of the equator is inside camera i (50 degrees either
// side of its yaw), and its distance in columns from the nearest edge of that run.
std::pair<bool, double> expected(int i, int x) {
    const double lon = std::remainder((x + 0.5) / kPanoW * 360.0 - 180.0 - kYaw[i], 360.0);
    return {std::fabs(lon) <= 50.0, std::fabs(std::fabs(lon) - 50.0) * kPanoW / 360.0};
}

// Loads the rig with `remapper` and checks every camera against the rig's geometry.
void loadAndCheck(const QString& remapper, bool crop) {
    QTemporaryDir root;
    const QString dir = root.path() + "/ring rig";
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString pto = writeRig(dir, crop);
    Project project;
    project.loadProject(pto.toStdString());
    ASSERT_EQ(project.cameras.size(), 4u);
    runRemapperWith(project, remapper);
    EXPECT_TRUE(project.lastRemapperError.isEmpty()) << project.lastRemapperError.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir + "/tiff"));

    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("camera " + std::to_string(i));
        const Camara& cam = project.cameras[static_cast<size_t>(i)];
        ASSERT_FALSE(cam.image.empty());
        EXPECT_GE(cam.offsetX, 0);
        EXPECT_GE(cam.offsetY, 0);
        EXPECT_LE(cam.offsetX + cam.image.cols, kPanoW);
        EXPECT_LE(cam.offsetY + cam.image.rows, kPanoH);
        EXPECT_EQ(cam.sourceImage.size(), cv::Size(160, 120));
        if (crop && kYaw[i] != 180) {
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
            const auto [inside, edgeDistance] = expected(i, cam.offsetX + c);
            if (valid != inside && edgeDistance > 2.0) ++wrong;
        }
        EXPECT_EQ(wrong, 0);
    }
}

}  // namespace

// Through Hugin's nona, the program nona2 stands in for (nona2's own runs are
// the command line's and the nona comparison's): the loader takes the reference
// remapper's layers, offsets and boundaries. Its coordinate maps are 16-bit
// integers in this mode, which the loader refuses.
TEST(RemapperEndToEnd, RingThroughHuginNona) {
    ensureCoreApplication();
    if (!QFileInfo("/usr/bin/nona").isExecutable()) GTEST_SKIP() << "Hugin's nona not installed";
    loadAndCheck("/usr/bin/nona", false);
    loadAndCheck("/usr/bin/nona", true);
}
