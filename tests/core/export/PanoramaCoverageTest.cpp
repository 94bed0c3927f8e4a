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
        clear(0, 50, 59);
        clear(1, 0, 9);
    }
    // Clears columns of a camera's weights as a refresh would, saying where.
    void clear(int camera, int from, int to) {
        Camara& cam = project.cameras[static_cast<size_t>(camera)];
        cam.displayImage.colRange(from, to + 1).setTo(cv::Scalar::all(0));
        cam.coverageStaleAreas.emplace_back(from, 0, to - from + 1, cam.displayImage.rows);
    }
    Project project;
    CoverageCheck check;
};

}  // namespace

TEST_F(CoverageRig, HolesInsideWhatTheCamerasSeeButNotItsFringe) {
    EXPECT_EQ(check.check(project).seen, 3000u);
    EXPECT_EQ(check.last().uncovered, 0u);

    // The outline's own first column without weight is its fringe.
    clear(0, 0, 0);
    EXPECT_EQ(check.check(project).uncovered, 30u);
    EXPECT_FALSE(check.last().hasHoles());

    // A gap between the cameras is a hole; the report then counts every pixel
    // without weight, and says where and who sees it.
    clear(1, 10, 14);
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
    EXPECT_EQ(measureCoverage(project).areas, std::vector<cv::Rect>{cv::Rect(60, 7, 10, 26)});

    // A camera that can take part in no table is not part of what is seen:
    // camera 0's cleared columns lose their cover, but for the fringe.
    project.cameras[1].imgBdy.push_back({59, 0});
    const CoverageReport& alone = check.check(project);
    EXPECT_EQ(alone.seen, 1800u);
    ASSERT_EQ(alone.cameras.size(), 1u);
    EXPECT_EQ(alone.cameras[0].columns[0].from, 60);
    EXPECT_EQ(alone.cameras[0].columns[0].to, 67);
}

// Slider steps through the refresh: the check, which looks again only where
// something changed, reports what a whole pass reports; the cause names what
// the crop does.
TEST_F(CoverageRig, StepsOfTheSlidersMatchAWholePassAndNameTheCause) {
    // Layers with a margin, as nona leaves them.
    for (Camara& c : project.cameras) {
        c.image.colRange(0, 2).setTo(cv::Scalar::all(0));
        c.image.colRange(58, 60).setTo(cv::Scalar::all(0));
    }
    struct Step {
        int crop, blend, dirL;
    };
    for (const Step& step : {Step{0, 0, 0}, Step{20000, 0, 0}, Step{20000, 60000, 0},
                             Step{26000, 60000, 0}, Step{26000, 0, 40000}, Step{4000, 6000, 0}}) {
        project.cutValue = step.crop;
        project.blendValue = step.blend;
        project.cameras[1].dirL = step.dirL;
        for (Camara& c : project.cameras) c.refreshView(project.blendValue, project.cutValue);
        const CoverageReport& kept = check.check(project);
        const CoverageReport whole = measureCoverage(project);
        SCOPED_TRACE(step.crop);
        EXPECT_EQ(kept.uncovered, whole.uncovered);
        EXPECT_EQ(kept.holes, whole.holes);
        EXPECT_EQ(kept.areas, whole.areas);
        EXPECT_EQ(kept.cameras.size(), whole.cameras.size());
        // The crop cuts the outer sides of both (this rig is no ring), a trim
        // camera 1's right side further.
        if (step.dirL) {
            const std::vector<HoleCause> causes = holeCauses(project, kept);
            ASSERT_EQ(causes.size(), 1u);
            EXPECT_EQ(causes[0].kind, HoleCause::Kind::CropCutsSides);
            EXPECT_EQ(causes[0].cameras, (std::vector<int>{0, 1}));
            EXPECT_TRUE(causes[0].withTrims);
        }
    }
    ASSERT_TRUE(check.last().hasHoles());
    EXPECT_EQ(holesCause(project, check.last()),
              "crop 4000 clears the middle of cameras 0 and 1 (the cuts pass the layer's sides "
              "and wrap round); 20000 keeps each camera whole");
    // In automatic mode a camera with seams of its own has them to blame; one
    // the seams could not be placed for still has the crop's cuts.
    project.autoMode = true;
    project.cameras[0].imgBdy = {{5, 1}, {40, 0}};
    const std::vector<HoleCause> causes = holeCauses(project, check.last());
    ASSERT_EQ(causes.size(), 2u);
    EXPECT_EQ(causes[0].kind, HoleCause::Kind::AutomaticSeams);
    EXPECT_EQ(causes[1].cameras, std::vector<int>{1});
}

// The panorama goes round: a gap at its seam, in a ring whose cameras meet
// there, is a hole like any other and not the outline's fringe.
TEST(PanoramaCoverage, AGapAtThePanoramasSeamIsAHole) {
    cv::Mat left(30, 40, CV_8UC1, cv::Scalar(255)), right = left.clone();
    const cv::Mat covered = cv::Mat::zeros(40, 120, CV_8U);
    covered(cv::Rect(3, 5, 37, 30)).setTo(255);  // columns 0-2 left black
    covered(cv::Rect(80, 5, 40, 30)).setTo(255);
    const CoverageReport report =
        measureCoverage(SeenArea(120, 40, {{0, 5, left}, {80, 5, right}}), covered);
    EXPECT_EQ(report.uncovered, 90u);
    EXPECT_TRUE(report.hasHoles());
}
