// Manual crop, trims and feathering of one camera.
#include <gtest/gtest.h>

#include "Layers.h"
#include "RecordingReporter.h"
#include "geometry/Feather.h"
#include "project/Project.h"

namespace {

// Alpha of columns from..to (inclusive) of a row.
std::vector<int> alphas(const cv::Mat& img, int from, int to, int row = 0) {
    std::vector<int> a;
    for (int c = from; c <= to; ++c) a.push_back(alphaAt(img, row, c));
    return a;
}

int validPixels(const cv::Mat& img) {
    cv::Mat alpha;
    cv::extractChannel(img, alpha, 3);
    return cv::countNonZero(alpha);
}

}  // namespace

TEST(FeatherAlpha, RampsStartAndEndWithoutTouchingBorderColumns) {
    cv::Mat img = rowsValidIn(20, 2, {{5, 14}});
    const cv::Mat before = img.clone();
    featherAlpha(img, img.clone(), 4, 4);
    // Rising side: the first four valid columns get 0, 1/4, 2/4, 3/4 of 255;
    // falling side: first transparent column 15 gets 0, then 14 = 1/4, 13 = 2/4, 12 = 3/4.
    EXPECT_EQ(alphas(img, 4, 15),
              (std::vector<int>{0, 0, 63, 127, 191, 255, 255, 255, 191, 127, 63, 0}));
    // Colour channels are untouched.
    std::vector<cv::Mat> a, b;
    cv::split(img, a);
    cv::split(before, b);
    for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(cv::countNonZero(a[ch] != b[ch]), 0);

    // A run from column 0 to the last column has no ramp at either border.
    cv::Mat full = rowsValidIn(10, 1, {{0, 9}});
    featherAlpha(full, full.clone(), 4, 4);
    cv::Mat fullAlpha;
    cv::extractChannel(full, fullAlpha, 3);
    EXPECT_EQ(cv::countNonZero(fullAlpha != 255), 0);

    // A region starting two columns before the last one: the ramp stops before it.
    cv::Mat late = rowsValidIn(10, 1, {{7, 9}});
    featherAlpha(late, late.clone(), 4, 0);
    EXPECT_EQ(alphas(late, 7, 9), (std::vector<int>{0, 63, 255}));

    // A row transparent from column 0 to 2: the end ramp found at column 0 never
    // touches it; a run ending at column 1 only gets its column 1 ramped.
    cv::Mat early = rowsValidIn(10, 1, {{0, 1}});
    featherAlpha(early, early.clone(), 0, 4);
    EXPECT_EQ(alphas(early, 0, 1), (std::vector<int>{255, 63}));

    // Width 0 changes nothing; ramps that meet multiply.
    cv::Mat none = rowsValidIn(20, 1, {{5, 14}});
    featherAlpha(none, none.clone(), 0, 0);
    EXPECT_EQ(validPixels(none), 10);
    cv::Mat narrow = rowsValidIn(20, 1, {{5, 8}});
    featherAlpha(narrow, narrow.clone(), 4, 4);
    // Column 7: start factor 2/4 -> 127, then end factor 2/4 -> 63.
    EXPECT_EQ(alphaAt(narrow, 0, 7), 63);
}

TEST(FeatherAlpha, InPlaceMaskMatchesSeparateMask) {
    cv::Mat a = rowsValidIn(50, 3, {{3, 20}, {30, 49}});
    a.at<cv::Vec4b>(1, 10)[3] = 0;  // a hole in one row
    cv::Mat b = a.clone();
    featherAlpha(a, a.clone(), 6, 9);
    featherAlpha(b, b, 6, 9);
    EXPECT_EQ(cv::countNonZero(a.reshape(1) != b.reshape(1)), 0);
}

// (The other slider values are pinned through refreshView below.)
TEST(SliderPixels, SinglePrecisionAndTruncation) {
    // 1/3 in single precision times 1000 is 333.33334, truncated.
    EXPECT_EQ(cutPixels(20000, 1000), 333);
    EXPECT_EQ(trimPixels(400, 15000, 1200), -120);
}

class RefreshViewTest : public ::testing::Test {
protected:
    Project project;
    Camara& cam = project.cameras[0];
};

TEST_F(RefreshViewTest, CutBlendAndTrimsOnOneRun) {
    cam.image = rowsValidIn(1200, 5, {{300, 699}});
    project.cutValue = 20000;
    cam.textureStale = false;
    cam.refreshView();
    EXPECT_EQ(cam.imgBdy, (std::vector<BoundaryEdge>{{300, 1}, {700, 0}}));
    EXPECT_TRUE(columnsCleared(cam.displayImage, 0, 299));
    EXPECT_TRUE(columnsCleared(cam.displayImage, 700, 1199));
    EXPECT_EQ(alphaAt(cam.displayImage, 2, 300), 255);  // blend 0: no ramp
    EXPECT_TRUE(cam.textureStale);
    // The source image stays as loaded.
    EXPECT_EQ(alphaAt(cam.image, 2, 400), 255);
    EXPECT_EQ(validPixels(cam.image), 5 * 400);

    // Blend 60000: ramps of a tenth of the width, 120 columns, k / 120 of 255.
    project.blendValue = 60000;
    cam.refreshView();
    std::vector<int> edges;
    for (int c : {300, 301, 419, 420, 580, 699}) edges.push_back(alphaAt(cam.displayImage, 1, c));
    EXPECT_EQ(edges, (std::vector<int>{0, 2, 252, 255, 255, 2}));

    // Trims move the edges: the start 120 columns into the region, the end 240.
    project.blendValue = 0;
    cam.dirR = 15000;
    cam.dirL = 30000;
    cam.refreshView();
    EXPECT_EQ(cam.imgBdy, (std::vector<BoundaryEdge>{{420, 1}, {460, 0}}));
}

TEST_F(RefreshViewTest, DefaultTrimsWrapOnceAndClearTheRun) {
    cam.image = rowsValidIn(1200, 5, {{300, 899}});
    cam.refreshView();
    EXPECT_EQ(cam.imgBdy, (std::vector<BoundaryEdge>{{101, 0}, {1099, 1}}));
    EXPECT_TRUE(columnsCleared(cam.displayImage, 101, 1098));
    EXPECT_EQ(validPixels(cam.displayImage), 0);
}

TEST_F(RefreshViewTest, UnusableRowsLeaveAnUncroppedCopy) {
    // No transition at all.
    cam.image = rowsValidIn(300, 3, {{0, 299}});
    testsupport::RecordingReporter console;
    cam.refreshView();
    EXPECT_NE(console.take().find("findboundary error:0\r\n"), std::string::npos);
    EXPECT_TRUE(cam.imgBdy.empty());
    EXPECT_EQ(cv::countNonZero(cam.displayImage.reshape(1) != cam.image.reshape(1)), 0);
    EXPECT_NE(cam.displayImage.data, cam.image.data);

    // One transition (a run touching column 0): completed with a start at startTrim.
    cam.image = rowsValidIn(300, 3, {{0, 99}});
    cam.refreshView();
    // Start at startTrim = 300 / 3 = 100, end 100 + 100 = 200.
    EXPECT_EQ(cam.imgBdy, (std::vector<BoundaryEdge>{{100, 1}, {200, 0}}));

    // An empty image changes nothing.
    cam.image.release();
    cam.textureStale = false;
    cam.refreshView();
    EXPECT_FALSE(cam.textureStale);
    EXPECT_EQ(cam.imgBdy.size(), 2u);
}
