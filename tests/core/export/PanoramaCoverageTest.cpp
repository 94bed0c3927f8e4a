// What the cameras see against what their weights reach: holes, the fringe
// along the outline, who sees the holes, and the check kept across changes.
#include <gtest/gtest.h>

#include "SyntheticCamera.h"
#include "export/HoleReport.h"
#include "export/PanoramaCoverage.h"
#include "geometry/Feather.h"

namespace {

// Two cameras of 60 x 30 side by side in a 120 x 40 panorama, at columns 10-69
// and 50-109, each weighting up to the middle of the overlap.
class CoverageRig : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::setRig(
            project, 120, 40,
            {testsupport::cameraSpec(60, 30, 10, 5), testsupport::cameraSpec(60, 30, 50, 5)},
            "/rig/");
        for (Camara& c : project.cameras) c.image = c.displayImage.clone();
        clearColumns(weights(0), 50, 59);
        clearColumns(weights(1), 0, 9);
    }
    cv::Mat& weights(int camera) {
        return project.cameras[static_cast<size_t>(camera)].displayImage;
    }
    Project project;
    CoverageCheck check;
};

}  // namespace

TEST_F(CoverageRig, HolesInsideWhatTheCamerasSeeButNotItsFringe) {
    EXPECT_EQ(check.check(project).seen, 3000u);
    EXPECT_EQ(check.last().uncovered, 0u);

    // The outline's own first column without weight is its fringe.
    clearColumns(weights(0), 0, 0);
    EXPECT_EQ(check.check(project).uncovered, 30u);
    EXPECT_FALSE(check.last().hasHoles());

    // A gap between the cameras is a hole; the report then counts every pixel
    // without weight, and says where and who sees it.
    clearColumns(weights(1), 10, 14);
    const CoverageReport& gap = check.check(project);
    ASSERT_TRUE(gap.hasHoles());
    EXPECT_EQ(gap.uncovered, 30u + 5 * 30);
    EXPECT_EQ(gap.holes, 5u * 26);  // rows within the fringe of 2 are its fringe
    EXPECT_EQ(gap.areas, std::vector<cv::Rect>{cv::Rect(60, 7, 5, 26)});
    ASSERT_EQ(gap.cameras.size(), 2u);
    EXPECT_EQ(gap.cameras[1].camera, 1);
    EXPECT_EQ(gap.cameras[1].columns.size(), 1u);
    EXPECT_EQ(gap.cameras[1].columns[0].from, 60);
    EXPECT_EQ(gap.cameras[1].columns[0].to, 64);
    EXPECT_EQ(describeHoles(gap),
              "6.00% of what the cameras see has no weight (180 of 3000 pixels): camera 0 at "
              "panorama columns 60-64, camera 1 at columns 60-64");
    // Weights outside a camera's boundary columns reach no table.
    project.cameras[1].imgBdy = {{20, 1}, {59, 0}};
    EXPECT_EQ(check.check(project).areas, std::vector<cv::Rect>{cv::Rect(60, 7, 10, 26)});

    // A camera that can take part in no table is not part of what is seen:
    // camera 0's cleared columns lose their cover, but for the fringe.
    project.cameras[1].imgBdy.push_back({59, 0});
    const CoverageReport& alone = check.check(project);
    EXPECT_EQ(alone.seen, 1800u);
    ASSERT_EQ(alone.cameras.size(), 1u);
    EXPECT_EQ(alone.cameras[0].columns[0].from, 60);
    EXPECT_EQ(alone.cameras[0].columns[0].to, 67);
}

// The cause of the holes comes from what the crop does to each camera.
TEST_F(CoverageRig, TheCauseNamesTheCropAndTheCameras) {
    // Layers with a margin, as nona leaves them: crop 0 pushes the cuts past
    // their sides and they clear the middle.
    for (Camara& c : project.cameras) {
        c.image = c.displayImage.clone();
        clearColumns(c.image, 0, 1);
        clearColumns(c.image, 58, 59);
        c.refreshView();
    }
    const CoverageReport& report = check.check(project);
    ASSERT_TRUE(report.hasHoles());
    EXPECT_EQ(holesCause(project, report),
              "crop 0 clears the middle of cameras 0 and 1 (the cuts pass the layer's sides and "
              "wrap round); 20000 keeps each camera whole");
    project.autoMode = true;
    EXPECT_EQ(holeCauses(project, report)[0].kind, HoleCause::Kind::AutomaticSeams);
}
