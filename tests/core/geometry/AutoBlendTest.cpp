// Automatic seams between overlapping cameras.
#include <gtest/gtest.h>

#include "Layers.h"
#include "RecordingReporter.h"
#include "geometry/AutoBlend.h"
#include "project/Project.h"
#include "remap/CameraInputs.h"
#include "tuning/AutoSeams.h"

namespace {

// Alpha of a column on the middle row.
int alphaAt(const cv::Mat& img, int col) {
    return ::alphaAt(img, img.rows / 2, col);
}

// A full-panorama layer (offset 0) valid in the given runs, loaded as after a load.
void setLayer(Camara& cam, int panoWidth, std::initializer_list<std::pair<int, int>> runs) {
    cam.image = rowsValidIn(panoWidth, 3, runs);
    cam.rawBdy = scanRawBoundary(cam.image);
    cam.offsetX = 0;
}

}  // namespace

TEST(AutoBlend, TwoCameraRingFadesTheUpperAndCutsTheLower) {
    Project project;
    project.resizeCameras(2);
    project.resetDrawOrder(2);  // [1, 0]: camera 0 on top
    project.panoWidth = 3600;
    project.loaded = true;
    setLayer(project.cameras[0], 3600, {{0, 1999}});
    setLayer(project.cameras[1], 3600, {{0, 399}, {1600, 3599}});
    ASSERT_EQ(project.cameras[0].rawBdy, (std::vector<BoundaryEdge>{{0, 1}, {2000, 0}}));
    ASSERT_EQ(project.cameras[1].rawBdy, (std::vector<BoundaryEdge>{{400, 0}, {1600, 1}}));

    ASSERT_TRUE(autoBlend(project, kAutoFadeWidth).ok());
    const Camara& top = project.cameras[0];
    const Camara& low = project.cameras[1];
    EXPECT_EQ(top.imgBdy, (std::vector<BoundaryEdge>{{185, 1}, {1815, 0}}));
    EXPECT_EQ(low.imgBdy, (std::vector<BoundaryEdge>{{215, 0}, {1785, 1}}));
    EXPECT_TRUE(top.textureStale && low.textureStale);

    // Upper camera: 185..1815 kept (inclusive) with 30-pixel fades (k / 30 of 255).
    EXPECT_TRUE(columnsCleared(top.displayImage, 0, 184));
    EXPECT_TRUE(columnsCleared(top.displayImage, 1816, 3599));
    std::vector<int> a;
    for (int c : {185, 186, 214, 215, 1786, 1815}) a.push_back(alphaAt(top.displayImage, c));
    EXPECT_EQ(a, (std::vector<int>{0, 8, 246, 255, 255, 8}));
    // Lower camera: 0..215 and 1785..3599, hard edges.
    EXPECT_TRUE(columnsCleared(low.displayImage, 216, 1784));
    for (int c : {1, 215, 1785, 3598}) EXPECT_EQ(alphaAt(low.displayImage, c), 255) << c;
    // The loaded images themselves are untouched.
    EXPECT_EQ(alphaAt(top.image, 100), 255);
}

TEST(AutoBlend, WrappingPairClampsTheSeamAtTheBorder) {
    Project project;
    project.resizeCameras(2);
    project.resetDrawOrder(2);
    project.panoWidth = 3600;
    project.loaded = true;
    // Both runs wrap; mid = (2610 + 1000 + 3600) / 2 = W + 5 -> 5 -> raised to 29.
    setLayer(project.cameras[0], 3600, {{0, 999}, {3000, 3599}});
    setLayer(project.cameras[1], 3600, {{0, 1499}, {2610, 3599}});
    const std::vector<std::vector<BlendEdge>> table = autoSeams(project, kAutoFadeWidth);
    std::vector<std::vector<int>> got;  // per camera: column, kind, width of each edge
    for (const auto& edges : table) {
        got.emplace_back();
        for (const BlendEdge& e : edges)
            got.back().insert(got.back().end(), {e.column, e.kind, e.width});
    }
    EXPECT_EQ(got, (std::vector<std::vector<int>>{{29, 0, 30}, {0, 1, 0}}));
}

TEST(AutoBlend, RingOfFourSucceedsAndALonelyCameraFailsWithoutChanges) {
    Project project;  // four cameras, drawOrder 3, 2, 1, 0
    project.panoWidth = 3600;
    project.loaded = true;
    setLayer(project.cameras[0], 3600, {{0, 600}, {3300, 3599}});
    setLayer(project.cameras[1], 3600, {{500, 1500}});
    setLayer(project.cameras[2], 3600, {{1400, 2400}});
    setLayer(project.cameras[3], 3600, {{2300, 3400}});
    ASSERT_TRUE(autoBlend(project, kAutoFadeWidth).ok());
    std::vector<std::vector<BoundaryEdge>> seams;
    for (const Camara& c : project.cameras) seams.push_back(c.imgBdy);
    EXPECT_EQ(seams, (std::vector<std::vector<BoundaryEdge>>{{{565, 0}, {3335, 1}},
                                                             {{535, 1}, {1465, 0}},
                                                             {{1435, 1}, {2365, 0}},
                                                             {{2335, 1}, {3365, 0}}}));
    // Every seam: the upper camera fades where the lower is cut.
    EXPECT_EQ(alphaAt(project.cameras[1].displayImage, 1465), 8);
    EXPECT_EQ(alphaAt(project.cameras[2].displayImage, 1435), 255);
    EXPECT_TRUE(columnsCleared(project.cameras[2].displayImage, 0, 1434));

    // Camera 3 moved away from everyone: it gets no seams, the call fails and
    // leaves every camera as it was.
    setLayer(project.cameras[3], 3600, {{2450, 3250}});
    setLayer(project.cameras[0], 3600, {{0, 600}, {3350, 3599}});
    std::vector<cv::Mat> before;
    for (const Camara& c : project.cameras) before.push_back(c.displayImage.clone());
    const AutoBlendResult result = autoBlend(project, kAutoFadeWidth);
    EXPECT_EQ(result.status, AutoBlendResult::Status::Failed);
    const std::vector<CameraProblem>& why = result.failures;
    // Camera 3 has no neighbour at all and is named; its former neighbours 0
    // and 2 would merely keep their raw edges on the side it left.
    ASSERT_EQ(why.size(), 1u);
    EXPECT_EQ(why[0].index, 3);
    EXPECT_EQ(why[0].reason.rfind("no overlap with a neighbour:", 0), 0u) << why[0].reason;
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(
            cv::countNonZero(project.cameras[i].displayImage.reshape(1) != before[i].reshape(1)),
            0);
}

TEST(AutoBlend, ArcEndsKeepTheirOuterSidesAndOverlapsWithoutASeamFail) {
    Project project;
    project.resizeCameras(3);
    project.resetDrawOrder(3);  // camera 0 on top
    project.panoWidth = 2000;
    project.loaded = true;
    setLayer(project.cameras[0], 2000, {{100, 800}});
    setLayer(project.cameras[1], 2000, {{700, 1300}});
    setLayer(project.cameras[2], 2000, {{1200, 1999}});  // reaches the panorama's border
    ASSERT_TRUE(autoBlend(project, kAutoFadeWidth).ok());
    std::vector<std::vector<BoundaryEdge>> seams;
    for (const Camara& c : project.cameras) seams.push_back(c.imgBdy);
    EXPECT_EQ(seams, (std::vector<std::vector<BoundaryEdge>>{
                         {{100, 1}, {765, 0}}, {{735, 1}, {1265, 0}}, {{1235, 1}, {1999, 0}}}));
    // The outer sides are hard and whole: every pixel the end cameras see there stays.
    const cv::Mat& left = project.cameras[0].displayImage;
    const cv::Mat& right = project.cameras[2].displayImage;
    EXPECT_EQ(cv::countNonZero(left.colRange(100, 736).reshape(1) !=
                               project.cameras[0].image.colRange(100, 736).reshape(1)),
              0);
    EXPECT_EQ(cv::countNonZero(right.colRange(1235, 2000).reshape(1) !=
                               project.cameras[2].image.colRange(1235, 2000).reshape(1)),
              0);
    EXPECT_EQ(alphaAt(right, 1999), 255);

    struct Case {
        std::pair<int, int> run2;  // camera 2's new run
        int failing;
        const char* reason;
    };
    // Camera 2 under the whole arc: the ends' open sides overlap it with no seam.
    // Camera 2 overlapping camera 0 too: camera 0 has two neighbours on its right.
    for (const Case& c :
         {Case{{1, 1999}, 0, "its valid run's start overlaps another camera"},
          Case{{750, 1900}, 0, "it overlaps more than one neighbour on the same"}}) {
        setLayer(project.cameras[2], 2000, {c.run2});
        const AutoBlendResult result = autoBlend(project, kAutoFadeWidth);
        EXPECT_FALSE(result.ok());
        const std::vector<CameraProblem>& why = result.failures;
        ASSERT_FALSE(why.empty());
        EXPECT_EQ(why[0].index, c.failing);
        EXPECT_EQ(why[0].reason.rfind(c.reason, 0), 0u) << why[0].reason;
    }
}

TEST(AutoBlend, DoesNothingBeforeALoad) {
    Project project;
    project.panoWidth = 3600;
    setLayer(project.cameras[0], 3600, {{0, 999}});
    EXPECT_TRUE(autoBlend(project, kAutoFadeWidth).ok());
    EXPECT_TRUE(project.cameras[0].displayImage.empty());
    EXPECT_TRUE(project.cameras[0].imgBdy.empty());
}

TEST(AutoBlend, EqualSeamColumnsOnlyFeather) {
    Project project;
    Camara& cam = project.cameras[0];
    cam.image = rowsValidIn(100, 3, {{10, 89}});
    testsupport::RecordingReporter console;
    cam.applyAutoBoundary({50, 1}, 4, {50, 0}, 0);
    EXPECT_NE(console.take().find("imgBdy sequence error\r\n"), std::string::npos);
    EXPECT_EQ(cam.imgBdy, (std::vector<BoundaryEdge>{{50, 1}, {50, 0}}));
    EXPECT_EQ(alphaAt(cam.displayImage, 10), 0);
    EXPECT_EQ(alphaAt(cam.displayImage, 11), 63);
    EXPECT_EQ(alphaAt(cam.displayImage, 89), 255);
}
