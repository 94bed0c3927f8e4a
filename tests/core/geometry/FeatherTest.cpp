// Manual crop, trims and feathering of one camera.
#include <gtest/gtest.h>

#include "Layers.h"
#include "RecordingReporter.h"
#include "geometry/AutoBlend.h"
#include "geometry/Feather.h"
#include "geometry/ManualCrop.h"
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
    cam.refreshView(project.blendValue, project.cutValue);
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
    cam.refreshView(project.blendValue, project.cutValue);
    std::vector<int> edges;
    for (int c : {300, 301, 419, 420, 580, 699}) edges.push_back(alphaAt(cam.displayImage, 1, c));
    EXPECT_EQ(edges, (std::vector<int>{0, 2, 252, 255, 255, 2}));

    // Trims move the edges: the start 120 columns into the region, the end 240.
    project.blendValue = 0;
    cam.dirR = 15000;
    cam.dirL = 30000;
    cam.refreshView(project.blendValue, project.cutValue);
    EXPECT_EQ(cam.imgBdy, (std::vector<BoundaryEdge>{{420, 1}, {460, 0}}));
}

TEST_F(RefreshViewTest, DefaultTrimsWrapOnceAndClearTheRun) {
    cam.image = rowsValidIn(1200, 5, {{300, 899}});
    cam.refreshView(project.blendValue, project.cutValue);
    EXPECT_EQ(cam.imgBdy, (std::vector<BoundaryEdge>{{101, 0}, {1099, 1}}));
    EXPECT_TRUE(columnsCleared(cam.displayImage, 101, 1098));
    EXPECT_EQ(validPixels(cam.displayImage), 0);
}

TEST_F(RefreshViewTest, UnusableRowsLeaveAnUncroppedCopy) {
    // No transition at all.
    cam.image = rowsValidIn(300, 3, {{0, 299}});
    testsupport::RecordingReporter console;
    cam.refreshView(project.blendValue, project.cutValue);
    EXPECT_NE(console.take().find("findboundary error:0\r\n"), std::string::npos);
    EXPECT_TRUE(cam.imgBdy.empty());
    EXPECT_EQ(cv::countNonZero(cam.displayImage.reshape(1) != cam.image.reshape(1)), 0);
    EXPECT_NE(cam.displayImage.data, cam.image.data);

    // One transition (a run touching column 0): completed with a start at startTrim.
    cam.image = rowsValidIn(300, 3, {{0, 99}});
    cam.refreshView(project.blendValue, project.cutValue);
    // Start at startTrim = 300 / 3 = 100, end 100 + 100 = 200.
    EXPECT_EQ(cam.imgBdy, (std::vector<BoundaryEdge>{{100, 1}, {200, 0}}));

    // An empty image changes nothing.
    cam.image.release();
    cam.textureStale = false;
    cam.refreshView(project.blendValue, project.cutValue);
    EXPECT_FALSE(cam.textureStale);
    EXPECT_EQ(cam.imgBdy.size(), 2u);
}

// Random colours everywhere (so clearing shows), random alpha inside a region
// with curved top and bottom and a hole in some rows (so rows differ); `shift`
// moves the region right, wrapping at the border.
cv::Mat curvedLayer(int w, int h, uint64 seed, int shift = 0) {
    cv::Mat img(h, w, CV_8UC4);
    cv::RNG rng(seed);
    rng.fill(img, cv::RNG::UNIFORM, 0, 256);
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            const int c = (x + w - shift) % w, d = (r - h / 2) * (r - h / 2);
            const bool valid = c >= w / 6 + d / 20 && c <= w - w / 6 - d / 30 &&
                               !(r % 7 == 0 && c > w / 2 && c < w / 2 + 9);
            uchar& a = img.at<cv::Vec4b>(r, x)[3];
            a = valid ? static_cast<uchar>(1 + a % 255) : 0;
        }
    return img;
}

TEST_F(RefreshViewTest, IncrementalRefreshEqualsFullRecompute) {
    cam.image = curvedLayer(600, 120, 3);
    struct Step {
        int blend, cut, dirL, dirR;
    };
    const Step steps[] = {{0, 22000, 0, 0},     {30000, 22000, 0, 0}, {30600, 22000, 0, 0},
                          {30600, 22600, 0, 0}, {60000, 25000, 0, 0}, {60000, 25000, 3000, 9000},
                          {5000, 0, 0, 0},      {5000, 21000, 0, 0},  {5000, 40000, 0, 0},
                          {0, 0, 0, 0},         {45000, 23000, 0, 0}, {45600, 23000, 0, 0}};
    int partial = 0;
    for (int i = 0; i < 2 * static_cast<int>(std::size(steps)); ++i) {
        const Step& s = steps[i % std::size(steps)];
        SCOPED_TRACE(i);
        project.blendValue = s.blend;
        project.cutValue = s.cut;
        cam.dirL = s.dirL;
        cam.dirR = s.dirR;
        if (i == 9) cam.image = rowsValidIn(600, 120, {{0, 599}});  // findboundary error
        if (i == 11) cam.image = curvedLayer(600, 120, 4, 300);
        // A copy someone holds (as an export does) keeps its pixels.
        const cv::Mat held = i % 3 ? cv::Mat() : cam.displayImage, heldBefore = held.clone();
        const cv::Mat before = i % 3 ? cam.displayImage.clone() : cv::Mat();
        cam.textureStale = false;
        cam.textureStaleAreas.clear();
        cam.refreshView(project.blendValue, project.cutValue);
        cv::Mat full;
        std::vector<BoundaryEdge> edges;
        manualCropAndFeather(cam.image, full, s.blend, s.cut, s.dirL, s.dirR, edges);
        EXPECT_EQ(cam.imgBdy, edges);
        ASSERT_EQ(cv::countNonZero(cam.displayImage.reshape(1) != full.reshape(1)), 0);
        if (!held.empty()) {
            EXPECT_EQ(cv::countNonZero(held.reshape(1) != heldBefore.reshape(1)), 0);
        }
        if (before.empty() || cam.textureStale) continue;
        // Every changed pixel lies in an area named for the upload.
        cv::Mat named(full.size(), CV_8U, cv::Scalar(0));
        for (const cv::Rect& r : cam.textureStaleAreas) named(r).setTo(255);
        cv::Mat changed;
        const cv::Mat differs = before != full;
        cv::reduce(differs.reshape(1, full.rows * full.cols), changed, 1, cv::REDUCE_MAX);
        EXPECT_EQ(cv::countNonZero(changed.reshape(1, full.rows) & ~named), 0);
        partial += cam.textureStaleAreas.empty() ? 0 : 1;
        // Every weight that appeared or vanished, in an area named for the
        // coverage check.
        cv::Mat weighted(full.size(), CV_8U, cv::Scalar(0)), alphaBefore, alphaNow;
        for (const cv::Rect& r : cam.displayCache.weightChanges()) weighted(r).setTo(255);
        cv::extractChannel(before, alphaBefore, 3);
        cv::extractChannel(full, alphaNow, 3);
        EXPECT_EQ(cv::countNonZero(((alphaBefore == 0) != (alphaNow == 0)) & ~weighted), 0);
    }
    EXPECT_GE(partial, 8);

    // The automatic seams go through the same bookkeeping.
    cam.applyAutoBoundary({150, 1}, 30, {450, 0}, 0);
    cv::Mat autoFull;
    autoCropAndFeather(cam.image, autoFull, {150, 1}, 30, {450, 0}, 0);
    EXPECT_EQ(cv::countNonZero(cam.displayImage.reshape(1) != autoFull.reshape(1)), 0);
}

// What the crop does to a camera's valid middle row, which the crop tip and
// the cause of a table's holes tell the operator.
TEST(ManualCropEffect, CutsOnTheEdgesAtTheSidesOrWrappedIntoTheMiddle) {
    // A cropped layer keeps a margin round its valid run.
    const cv::Mat layer = rowsValidIn(1200, 5, {{10, 1189}});
    EXPECT_EQ(manualCropEffect(layer, 20000, 0, 0).clearedColumns, 0);
    const CropEffect sides = manualCropEffect(layer, 25000, 0, 0);
    EXPECT_EQ(sides.validColumns, 1180);
    EXPECT_EQ(sides.clearedColumns, 200);
    EXPECT_FALSE(sides.middle);
    // Crop 0 pushes the cuts 400 columns out, past the sides: they wrap round.
    const CropEffect wrapped = manualCropEffect(layer, 0, 0, 0);
    EXPECT_EQ(wrapped.edges, (std::vector<BoundaryEdge>{{391, 0}, {809, 1}}));
    EXPECT_EQ(wrapped.clearedColumns, 418);
    EXPECT_TRUE(wrapped.middle);
    // A run round the layer's sides is seen in one piece: its sides are cut.
    const CropEffect around =
        manualCropEffect(rowsValidIn(1200, 5, {{0, 299}, {900, 1199}}), 25000, 0, 0);
    EXPECT_EQ(around.clearedColumns, 200);
    EXPECT_FALSE(around.middle);
}
