// The load sequence works on the project it is handed: a second project in
// the process (a test's, a tool's) is never touched, and automatic mode
// places its seams on the loaded one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <algorithm>

#include "TempDir.h"
#include "geometry/AutoBlend.h"
#include "load/LoadSequence.h"
#include "system/Reporter.h"
#include "tuning/AutoSeams.h"

TEST(LoadSequence, AutomaticSeamsLandOnTheProjectGivenNotAnother) {
    static int argc = 1;
    static char name[] = "orvik_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    ScratchDir dir;
    const QString sample = QString(ORVIK_SOURCE_DIR) + "/samples/ring4/";
    for (const char* file : {"ring4.pto", "cam0.jpg", "cam1.jpg", "cam2.jpg", "cam3.jpg"})
        ASSERT_TRUE(QFile::copy(sample + file, QString::fromStdString(dir.file(file))));

    Project loaded;
    Project other;  // made last, as a process-wide "current" project would be
    LoadOptions options;
    options.applySettings = [](Project& p, const ProjectFileResult&) {
        p.autoMode = true;
        return QString();
    };
    const LoadOutcome outcome = runLoadSequence(loaded, dir.file("ring4.pto"), options);
    ASSERT_TRUE(outcome.remapperError.isEmpty()) << outcome.remapperError.toStdString();
    EXPECT_FALSE(outcome.seamsFailed);
    ASSERT_EQ(loaded.cameras.size(), 4u);
    const std::vector<std::vector<BlendEdge>> seams = autoSeams(loaded, kAutoFadeWidth);
    for (size_t i = 0; i < seams.size(); ++i) {
        ASSERT_EQ(seams[i].size(), 2u) << "camera " << i;
        std::vector<BoundaryEdge> expected{{seams[i][0].column, seams[i][0].kind},
                                           {seams[i][1].column, seams[i][1].kind}};
        std::sort(expected.begin(), expected.end(),
                  [](const BoundaryEdge& a, const BoundaryEdge& b) { return a.column < b.column; });
        EXPECT_EQ(loaded.cameras[i].imgBdy, expected) << "camera " << i;
    }
    EXPECT_FALSE(other.loaded);
    for (const Camara& cam : other.cameras) EXPECT_TRUE(cam.imgBdy.empty() && cam.image.empty());
}
