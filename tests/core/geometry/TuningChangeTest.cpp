// The one entry point for tuning changes: what each change recomputes in
// manual and in automatic mode.
#include <gtest/gtest.h>

#include "Layers.h"
#include "RecordingReporter.h"
#include "geometry/AutoBlend.h"
#include "project/Project.h"
#include "remap/CameraInputs.h"
#include "tuning/AutoSeams.h"
#include "tuning/TuningChange.h"

namespace {

using Kind = TuningChange::Kind;

// Two cameras of a 3600-wide ring overlapping on both sides, analysed with
// the manual crops of the project's values.
void ring(Project& project) {
    project.resizeCameras(2);
    project.resetDrawOrder(2);  // camera 0 on top
    project.panoWidth = 3600;
    project.cutValue = 20000;
    project.loaded = true;
    project.cameras[0].image = rowsValidIn(3600, 3, {{0, 1999}});
    project.cameras[1].image = rowsValidIn(3600, 3, {{0, 399}, {1600, 3599}});
    for (Camara& cam : project.cameras) {
        cam.rawBdy = scanRawBoundary(cam.image);
        cam.refreshView(project.blendValue, project.cutValue);
    }
}

// The manual crop a camera would get from scratch for the project's values.
cv::Mat manualCrop(const Project& project, const Camara& cam) {
    Camara fresh = cam;
    fresh.displayImage = cv::Mat();
    fresh.displayCache.clear();
    fresh.refreshView(project.blendValue, project.cutValue);
    return fresh.displayImage;
}

bool same(const cv::Mat& a, const cv::Mat& b) {
    return a.size() == b.size() && cv::norm(a, b, cv::NORM_INF) == 0;
}

}  // namespace

TEST(TuningChange, ManualRefreshesWhatTheChangeReachesAutomaticWaitsForItsInputs) {
    testsupport::RecordingReporter console;
    Project project;
    ring(project);
    Camara& top = project.cameras[0];
    Camara& low = project.cameras[1];

    // Manual: a blend reaches every camera, a trim only its own.
    EXPECT_TRUE(applyTuningChange(project, {Kind::Blend, -1, 30000}).layersChanged);
    EXPECT_EQ(project.blendValue, 30000);
    EXPECT_TRUE(same(top.displayImage, manualCrop(project, top)));
    EXPECT_TRUE(same(low.displayImage, manualCrop(project, low)));
    const cv::Mat topBefore = top.displayImage.clone();
    EXPECT_TRUE(applyTuningChange(project, {Kind::TrimLeft, 1, 9000}).layersChanged);
    EXPECT_EQ(low.dirL, 9000);
    EXPECT_TRUE(same(low.displayImage, manualCrop(project, low)));
    EXPECT_TRUE(same(top.displayImage, topBefore));
    // Changes naming nothing that exists change nothing.
    EXPECT_FALSE(applyTuningChange(project, {Kind::TrimRight, 2, 100}).layersChanged);
    project.drawOrder = {1};
    EXPECT_FALSE(applyTuningChange(project, {Kind::MoveToTop, 0}).layersChanged);
    EXPECT_EQ(project.drawOrder, (std::deque<int>{1}));
    project.resetDrawOrder(2);

    // Automatic: the seams of autoBlend, camera 0 fading over camera 1.
    Project reference;
    ring(reference);
    ASSERT_TRUE(autoBlend(reference, kAutoFadeWidth).ok());
    const TuningOutcome entered = applyTuningChange(project, {Kind::AutoMode, -1, 1});
    EXPECT_TRUE(entered.layersChanged && !entered.seamsFailed && project.autoMode);
    EXPECT_EQ(top.imgBdy, reference.cameras[0].imgBdy);
    EXPECT_EQ(low.imgBdy, reference.cameras[1].imgBdy);
    // Blend, crop and trims are stored and wait; the layers stay as they are.
    const cv::Mat lowAuto = low.displayImage.clone();
    for (const TuningChange& c :
         {TuningChange{Kind::Blend, -1, 500}, {Kind::Crop, -1, 100}, {Kind::TrimRight, 1, 4000}})
        EXPECT_FALSE(applyTuningChange(project, c).layersChanged);
    EXPECT_TRUE(same(low.displayImage, lowAuto));
    EXPECT_EQ(project.blendValue, 500);
    EXPECT_EQ(low.dirR, 4000);
    // A new order places the seams again: camera 1 now fades over camera 0.
    EXPECT_TRUE(applyTuningChange(project, {Kind::MoveToBottom, 0}).layersChanged);
    EXPECT_EQ(project.drawOrder, (std::deque<int>{0, 1}));
    reference.drawOrder = {0, 1};
    ASSERT_TRUE(autoBlend(reference, kAutoFadeWidth).ok());
    EXPECT_EQ(low.imgBdy, reference.cameras[1].imgBdy);
    EXPECT_FALSE(same(low.displayImage, lowAuto));  // its edges fade now

    // Leaving the mode applies the values that waited.
    EXPECT_TRUE(applyTuningChange(project, {Kind::AutoMode, -1, 0}).layersChanged);
    EXPECT_FALSE(project.autoMode);
    EXPECT_TRUE(same(top.displayImage, manualCrop(project, top)));
    EXPECT_TRUE(same(low.displayImage, manualCrop(project, low)));
}
