// The 4K table of the bundled four-camera ring, loaded and remapped for real.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "CoreApp.h"
#include "DeviceTableReader.h"
#include "export/Camera4KExport.h"
#include "project/Project.h"

namespace {

TEST(Ring4Export4K, EverySegmentIsAlignedAndWithinTheEntryLimit) {
    const QString sample = QStringLiteral(ORVIK_SOURCE_DIR "/samples/ring4");
    if (!QFileInfo::exists(sample + "/ring4.pto")) GTEST_SKIP() << "samples/ring4 is missing";
    if (!QFileInfo::exists(QStringLiteral(ORVIK_BIN_DIR "/nona2")))
        GTEST_SKIP() << "nona2 is not built";

    ensureCoreApplication();

    // Work on a copy: the load writes its work folder beside the project.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const QString& f : QDir(sample).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(sample + "/" + f, dir.path() + "/" + f)) << f.toStdString();
    ASSERT_TRUE(QDir(dir.path()).mkdir("pic"));

    Project project;
    // A crop of a third puts every camera's edges on its seams.
    project.cutValue = 20000;
    project.loadProject(toLocal8BitString(dir.path() + "/ring4.pto"));
    project.runRemapper();
    ASSERT_EQ(project.cameras.size(), 4u);
    ASSERT_EQ(project.panoWidth, 3840);
    ASSERT_EQ(project.panoHeight, 1920);

    const ExportResult r = exportCamera4K(project);
    ASSERT_TRUE(r.written()) << r.message;
    const auto t = testsupport::readSoundTable(r.path);
    EXPECT_EQ(t.N, 4);
    EXPECT_EQ(t.sourceWidth0, 1920);
    EXPECT_EQ(t.sourceHeight0, 1080);
    uint32_t total = 0;
    for (size_t i = 0; i < 4; ++i) {
        // The ring is level: every layer's margin gives its middle row both
        // edges, so every camera has a boundary and contributes records.
        EXPECT_EQ(project.cameras[i].imgBdy.size(), 2u) << "camera " << i;
        EXPECT_GT(t.recordCount[i], 0u) << "camera " << i;
        total += t.recordCount[i];
        for (const RedressRecord& rec : t.records[i]) {
            ASSERT_LE(rec.panoX + rec.width, 3840 + 16);
            ASSERT_LE(rec.panoY + rec.rows, 1920 + 2);
        }
    }
    EXPECT_GT(total, 0u);
    // 3840 columns of four cameras: six blocks per row.
    EXPECT_EQ(t.blendRecords, 1920u * 6u);
    EXPECT_EQ(t.blendLength, 1920u * 15408u);
    // The ring covers the whole horizon: the middle row has weight almost
    // everywhere (the reader checked that no pixel sums above 255).
    int covered = 0;
    for (int x = 0; x < 3840; ++x) {
        int sum = 0;
        for (int j = 0; j < 4; ++j) sum += t.blend.weight(x, 960, j);
        covered += sum > 0;
    }
    EXPECT_GT(covered, 3840 * 95 / 100);
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/pic/3-1.jpg"));
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/pic/3.jpg"));
}

}  // namespace
