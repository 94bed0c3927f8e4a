// Automatic seams in content mode on a ring with parallax: near objects on the
// middle of every overlap, seen shifted by the two cameras.
#include <gtest/gtest.h>

#include <cmath>

#include "Layers.h"
#include "export/ColumnBoundary.h"
#include "geometry/AutoBlend.h"
#include "project/Project.h"
#include "remap/CameraInputs.h"
#include "tuning/AutoSeams.h"
#include "tuning/SeamReport.h"

namespace {

constexpr int kWidth = 300, kRows = 48;

// The distant background, the same in every camera at a panorama column.
cv::Vec4b background(int x, int r) {
    return cv::Vec4b(
        cv::saturate_cast<uchar>(120 + 50 * std::sin(x / 3.0) + 20 * std::cos(r / 4.0)),
        cv::saturate_cast<uchar>(90 + 40 * std::cos(x / 5.0)),
        cv::saturate_cast<uchar>(140 + 30 * std::sin(r / 3.0 + x / 7.0)), 255);
}

// A full-panorama layer valid in `runs`, with a near object (rows 8..39) at
// each of `objects`' columns (10 wide): where a neighbour sees it elsewhere.
void setLayer(Camara& cam, std::initializer_list<std::pair<int, int>> runs,
              std::initializer_list<int> objects) {
    cam.image = rowsValidIn(kWidth, kRows, runs);
    for (int r = 0; r < kRows; ++r)
        for (int x = 0; x < kWidth; ++x) {
            cv::Vec4b& p = cam.image.at<cv::Vec4b>(r, x);
            if (!p[3]) continue;
            p = background(x, r);
            for (int o : objects)
                if (r >= 8 && r < 40 && x >= o && x < o + 10) p = cv::Vec4b(30, 220, 40, 255);
        }
    cam.rawBdy = scanRawBoundary(cam.image);
    cam.offsetX = cam.offsetY = 0;
}

double overallMean(const std::vector<SeamReport>& seams) {
    double sum = 0;
    long pixels = 0;
    for (const SeamReport& s : seams) {
        sum += s.disagreement.mean * s.disagreement.pixels;
        pixels += s.disagreement.pixels;
    }
    return pixels ? sum / pixels : 0;
}

}  // namespace

TEST(AutoContentSeams, PassBesideNearObjectsAndEveryCameraKeepsExactlyItsPixels) {
    Project project;
    project.resizeCameras(3);
    project.resetDrawOrder(3);  // camera 0 on top
    project.panoWidth = kWidth;
    project.panoHeight = kRows;
    project.loaded = true;
    // Camera 0 wraps round the border. The overlaps 70..129, 150..209 and
    // 240..289 each have an object on their middle, 8 columns apart in the
    // two cameras.
    setLayer(project.cameras[0], {{0, 129}, {240, 299}}, {96, 261});
    setLayer(project.cameras[1], {{70, 209}}, {104, 176});
    setLayer(project.cameras[2], {{150, 289}}, {184, 269});

    ASSERT_TRUE(autoBlend(project, kAutoFadeWidth).ok());
    const std::vector<cv::Mat> middleImages = {project.cameras[0].displayImage.clone(),
                                               project.cameras[1].displayImage.clone(),
                                               project.cameras[2].displayImage.clone()};
    const std::vector<SeamReport> middle = measureSeams(project);
    ASSERT_EQ(middle.size(), 3u);
    EXPECT_TRUE(project.placedSeams.empty());

    project.seamMode = SeamMode::Content;
    ASSERT_TRUE(autoBlend(project, kAutoFadeWidth).ok());
    const std::vector<SeamReport> content = measureSeams(project);
    ASSERT_EQ(content.size(), 3u);
    EXPECT_EQ(project.placedSeams.size(), 3u);
    EXPECT_GT(overallMean(middle), 10.0);
    EXPECT_LT(overallMean(content), 0.3 * overallMean(middle));
    for (const SeamReport& s : content) {
        EXPECT_LT(s.disagreement.mean, 3.0) << s.upper << " over " << s.lower;
        EXPECT_GT(s.disagreement.pixels, kRows * 5);  // a fade in every row
    }

    // Every pixel some camera sees keeps a weight, only cameras that see it
    // give one, and the boundary the tables use holds every weighted pixel.
    for (int r = 0; r < kRows; ++r)
        for (int x = 0; x < kWidth; ++x) {
            bool seen = false, weighted = false;
            for (const Camara& cam : project.cameras) {
                const bool valid = alphaAt(cam.image, r, x) != 0;
                const bool weight = alphaAt(cam.displayImage, r, x) != 0;
                seen = seen || valid;
                weighted = weighted || weight;
                ASSERT_TRUE(valid || !weight) << r << "," << x;
                ASSERT_TRUE(!weight || insideColumnBoundary(x, cam.imgBdy)) << r << "," << x;
            }
            ASSERT_EQ(seen, weighted) << r << "," << x;
        }
    EXPECT_EQ(project.cameras[0].imgBdy[0].kind, 0) << "camera 0 still wraps";

    // Back to the middle rule: the same display images as before, to the byte.
    project.seamMode = SeamMode::Middle;
    ASSERT_TRUE(autoBlend(project, kAutoFadeWidth).ok());
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(cv::norm(project.cameras[i].displayImage, middleImages[i], cv::NORM_INF), 0) << i;
    EXPECT_TRUE(project.placedSeams.empty());
}
