// The headless front end, run as a real process on a rig generated at test time.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "DeviceTableReader.h"
#include "ProcessRun.h"
#include "TempDir.h"

namespace {

// A level ring of four cameras with cropped layers (the most common rig), and
// the same with a 360-degree camera whose middle row has no edge to cut at.
class CliRig : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new ScratchDir;
        std::string ring = "p f2 w960 h480 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n";
        for (int k = 0; k < 4; ++k)
            ring += "i w480 h270 f0 v100 r0 p0 y" + std::to_string(90 * k) + " n\"c" +
                    std::to_string(k) + ".jpg\"\n";
        dir->write("rig.pto", ring);
        dir->write("rig360.pto", ring + "i w480 h240 f4 v360 r0 p0 y0 n\"pano360.jpg\"\n");
        for (const char* pto : {"rig.pto", "rig360.pto"}) {
            const ProcessRun r = runProgram("riggen", {out(pto)});
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        }
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static QString pto() { return QString::fromStdString(dir->file("rig.pto")); }
    static QString out(const char* name) { return QString::fromStdString(dir->file(name)); }
    static ScratchDir* dir;
};
ScratchDir* CliRig::dir = nullptr;

}  // namespace

TEST_F(CliRig, ExportsEveryTableOfALoadedRig) {
    // Relative project path on purpose: the remapper runs in the work folder.
    const ProcessRun r =
        runProgram("orvikjoint-cli", {"export", "--blend", "10000", "--crop", "20000", "rig.pto"},
                   QString::fromStdString(dir->path()));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("analysed camera 4/4")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("wrote " + out("Camera_2K_Project.tab")));
    EXPECT_TRUE(r.out.contains("wrote " + out("QuickWeave_Projcet.tab")));
    EXPECT_TRUE(r.out.contains("wrote " + out("Camera_4K_Project.tab")));
    EXPECT_FALSE(QFile::exists(out("tiff"))) << "the work folder is removed";

    const auto table = testsupport::readDeviceTable(dir->file("Camera_2K_Project.tab"));
    EXPECT_EQ(table.N, 4);
    EXPECT_EQ(table.W, 960);
    EXPECT_EQ(table.H, 480);
    EXPECT_EQ(table.sourceWidth0, 480);
    for (int i = 0; i < 4; ++i) EXPECT_GT(table.recordCount[i], 0u) << "camera " << i;
}

TEST_F(CliRig, OnlyTheRequestedTableAndAdjustmentsApply) {
    QFile::remove(out("QuickWeave_Projcet.tab"));
    QFile::remove(out("Camera_2K_Project.tab"));
    QFile::remove(out("Camera_4K_Project.tab"));
    const ProcessRun r =
        runProgram("orvikjoint-cli", {"export", "--quickweave", "--2k", "--order", "0,1,2,3",
                                      "--trim", "1:100:200", "--auto", pto()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(out("QuickWeave_Projcet.tab")));
    EXPECT_FALSE(QFile::exists(out("Camera_4K_Project.tab")));
    // Automatic seams on the level ring: every camera gets its share.
    const auto table = testsupport::readDeviceTable(dir->file("Camera_2K_Project.tab"));
    ASSERT_EQ(table.N, 4);
    for (int i = 0; i < 4; ++i) EXPECT_GT(table.recordCount[i], 0u) << "camera " << i;
    // The QuickWeave file carries the drawing order right after N, W, H.
    const auto bytes = testsupport::readFileBytes(dir->file("QuickWeave_Projcet.tab"));
    ASSERT_GE(bytes.size(), 28u);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(bytes[12 + 4 * k], k);
}

TEST_F(CliRig, BadInputFailsClearlyWithoutWriting) {
    struct Case {
        QStringList args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{"export", "--bogus", pto()}, 2, "unknown option '--bogus'"},
        {{"export", "--blend", "70000", pto()}, 2, "--blend needs a value from 0 to 60000"},
        {{"export", "--trim", "1:2", pto()}, 2, "--trim needs CAM:L:R"},
        {{"frobnicate", pto()}, 2, "unknown command 'frobnicate'"},
        {{"export"}, 2, "no project file given"},
        {{"export", out("missing.pto")}, 1, "cannot read project file"},
        {{"export", "--order", "0,0,1,2", pto()}, 1, "--order must list each camera index 0..3"},
        {{"export", "--order", "0,1,2", pto()}, 1, "--order must list each camera index 0..3"},
        {{"export", "--trim", "9:0:0", pto()}, 1, "--trim: camera 9 does not exist"},
        {{"export", "--remap-timeout", "0", pto()}, 2, "--remap-timeout needs a number"},
    };
    QFile::remove(out("Camera_2K_Project.tab"));
    for (const Case& c : cases) {
        const ProcessRun r = runProgram("orvikjoint-cli", c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out("Camera_2K_Project.tab")));

    // A camera the tables would leave out: named, and nothing written unless allowed.
    const ProcessRun refused = runProgram("orvikjoint-cli", {"export", "--2k", out("rig360.pto")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(
        refused.err.contains("camera 4 (pano360.jpg): its middle row has no edge to cut "
                             "at; it is left out of the tables"))
        << refused.err.toStdString();
    EXPECT_FALSE(QFile::exists(out("Camera_2K_Project.tab")));
    const ProcessRun allowed = runProgram(
        "orvikjoint-cli", {"export", "--2k", "--allow-missing-cameras", out("rig360.pto")});
    EXPECT_EQ(allowed.exitCode, 0) << allowed.err.toStdString();
    EXPECT_TRUE(allowed.out.contains("camera 4 (pano360.jpg)"));
    EXPECT_TRUE(QFile::exists(out("Camera_2K_Project.tab")));
    // Automatic seams that fail say which camera and why.
    const ProcessRun noSeams =
        runProgram("orvikjoint-cli",
                   {"export", "--2k", "--auto", "--allow-missing-cameras", out("rig360.pto")});
    EXPECT_EQ(noSeams.exitCode, 1);
    EXPECT_TRUE(noSeams.err.contains("camera 4 (pano360.jpg): no usable boundary"))
        << noSeams.err.toStdString();

    const ProcessRun help = runProgram("orvikjoint-cli", {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: orvikjoint-cli export"));
}

// A remapper that never ends: the time limit, and a SIGTERM to the tool, end it
// and leave no work folder.
TEST_F(CliRig, AStuckRemapperIsEndedWithTheRun) {
    const QString bin = out("stuck"), pids = out("stuck/pids");
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QFile::copy(QString(ORVIK_BIN_DIR) + "/orvikjoint-cli", bin + "/orvikjoint-cli"));
    QFile fake(bin + "/nona2");
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write(QString("#!/bin/sh\necho $$ >> '%1'\nexec sleep 60\n").arg(pids).toUtf8());
    fake.close();
    fake.setPermissions(fake.permissions() | QFile::ExeOwner);
    for (const bool signal : {false, true}) {
        QFile::remove(pids);
        QProcess cli;
        cli.start(bin + "/orvikjoint-cli", {"export", "--remap-timeout", "2", pto()});
        for (int wait = 0; wait < 100 && !QFile::exists(pids); ++wait) QThread::msleep(100);
        if (signal) cli.terminate();
        ASSERT_TRUE(cli.waitForFinished(30000));
        EXPECT_EQ(cli.exitStatus(), signal ? QProcess::CrashExit : QProcess::NormalExit);
        EXPECT_EQ(cli.readAllStandardError().contains("did not finish within 2 seconds"), !signal);
        EXPECT_FALSE(QFile::exists(out("tiff")));
        QFile list(pids);
        ASSERT_TRUE(list.open(QIODevice::ReadOnly));
        for (const QByteArray& pid : list.readAll().split('\n'))
            EXPECT_TRUE(pid.isEmpty() || processEnded(QString(pid))) << pid.constData();
    }
}
