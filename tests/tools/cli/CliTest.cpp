// The headless front end, run as a real process on a rig generated at test time.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "ClaimedDeviceHeader.h"
#include "DeviceTableReader.h"
#include "ProcessRun.h"
#include "TempDir.h"
#include "export/DeviceTableLayout.h"
#include "export/LittleEndianWriter.h"
#include "export/QuickWeaveLayout.h"

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
    // For the device views: the same ring, a fisheye rig and an arc of three
    // cameras over 220 degrees, each in its own folder, with their scenes,
    // lossless-quality images and all three tables with automatic seams.
    // Made once per test process, by the tests that need them.
    static void makeDeviceRigs() {
        if (QFile::exists(out("arc/Camera_4K_Project.tab"))) return;
        for (const char* rig : {"ring", "fish", "arc"})
            QDir(QString::fromStdString(dir->path())).mkpath(rig);
        QFile::copy(pto(), out("ring/rig.pto"));
        dir->write("fish/rig.pto",
                   "p f2 w1536 h768 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n"
                   "i w640 h480 f3 v160 r0.5 p-1 y0 a0.012 b-0.035 c0.018 d4 e-3 n\"f0.jpg\"\n"
                   "i w640 h480 f3 v=0 r-0.8 p0.5 y120 a=0 b=0 c=0 d=0 e=0 n\"f1.jpg\"\n"
                   "i w640 h480 f3 v=0 r0.3 p1 y240 a=0 b=0 c=0 d=0 e=0 n\"f2.jpg\"\n");
        std::string arc = "p f2 w600 h300 v220 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n";
        for (const char* yaw : {"-60", "0", "60"})
            arc += std::string("i w480 h270 f0 v90 r0 p0 y") + yaw + " n\"a" + yaw + ".jpg\"\n";
        dir->write("arc/rig.pto", arc);
        for (const char* rig : {"ring", "fish", "arc"}) {
            const QString folder = out(rig);
            const ProcessRun g = runProgram(
                "riggen", {"-q", "100", "--scene", folder + "/scene.png", folder + "/rig.pto"});
            ASSERT_EQ(g.exitCode, 0) << g.err.toStdString();
            const ProcessRun e =
                runProgram("orvikjoint-cli", {"export", "--auto", folder + "/rig.pto"});
            ASSERT_EQ(e.exitCode, 0) << e.err.toStdString();
            // What the manual pass of the load would have left out is not the export's.
            EXPECT_FALSE(e.out.contains("left out")) << rig << e.out.toStdString();
            EXPECT_TRUE(e.out.contains("automatic seams placed on ")) << e.out.toStdString();
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

    for (const char* name : {"Camera_2K_Project.tab", "Camera_4K_Project.tab"}) {
        const auto table = testsupport::readSoundTable(out(name).toStdString());
        EXPECT_EQ(std::vector<int>({table.N, table.W, table.H, table.sourceWidth0}),
                  std::vector<int>({4, 960, 480, 480}));
        for (int i = 0; i < 4; ++i) EXPECT_GT(table.recordCount[i], 0u) << name << " camera " << i;
    }
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
    const auto table = testsupport::readSoundTable(out("Camera_2K_Project.tab").toStdString());
    ASSERT_EQ(table.N, 4);
    for (int i = 0; i < 4; ++i) EXPECT_GT(table.recordCount[i], 0u) << "camera " << i;
    // The QuickWeave file carries the drawing order right after N, W, H.
    const auto bytes = testsupport::readFileBytes(dir->file("QuickWeave_Projcet.tab"));
    ASSERT_GE(bytes.size(), quickweave::sectionsStart(4));
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(bytes[quickweave::kHeaderBytes + quickweave::kOrderItemBytes * k], k);
}

TEST_F(CliRig, BadInputFailsClearlyWithoutWriting) {
    struct Case {
        QStringList args;
        int exitCode;
        QString message;
    };
    const QString badSettings =
        QString::fromStdString(dir->write("bad.json", "{\"formatVersion\": 9}"));
    // Limits the project alone decides fail before any remapping.
    std::string many = "p f2 w960 h480 v360 n\"TIFF_m\"\n";
    for (int k = 0; k < 751; ++k) many += "i w480 h270 f0 v100 n\"c0.jpg\"\n";
    const QString manyPto = QString::fromStdString(dir->write("many.pto", many));
    const QString widePto = QString::fromStdString(dir->write(
        "wide.pto", "p f2 w65536 h480 v360 n\"TIFF_m\"\ni w480 h270 f0 v100 n\"c0.jpg\"\n"));
    // Headers alone: a pipe, an image, a table claiming a 32767 x 32767 panorama.
    const QString fifo = out("pipe");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString bigTable = QString::fromStdString(
        dir->write("big.tab", testsupport::claimedDeviceHeader(32767, 32767)));
    const QString folder = QString::fromStdString(dir->path());
    // A canvas typed with zeros too many: refused before the remapper runs.
    const QString huge =
        QString::fromStdString(dir->write("huge.pto",
                                          "p f2 w1000000 h500000 v360 n\"TIFF_m r:CROP\"\n"
                                          "i w480 h270 f0 v100 y0 n\"c0.jpg\"\n"
                                          "i w480 h270 f0 v100 y90 n\"c1.jpg\"\n"));
    const Case cases[] = {
        {{"export", manyPto}, 1, "Too many cameras for the blend table: 751 (at most 750)"},
        {{"export", "--seams", "edges", pto()}, 2, "--seams needs middle or content"},
        {{"export", "--no-settings", "--seams", "content", pto()}, 1, "give --auto too"},
        {{"export", "--2k", widePto}, 1, "Panorama 65536 x 480 too large for Camera_2K"},
        {{"export", "--settings", fifo, pto()}, 1, "pipe: it is not a regular file"},
        {{"inspect", fifo}, 1, "pipe: it is not a regular file"},
        {{"export", fifo}, 1, "pipe: it is not a regular file"},
        {{"render", bigTable, "--project", pto(), "-o", out("v.png"), "--diff", fifo},
         1,
         "pipe: it is not a regular file"},
        {{"inspect", out("c0.jpg")}, 1, "is not a table file: it looks like a JPEG image"},
        {{"render", bigTable, "--project", pto(), "-o", out("v.png")}, 1, "0 of its 32767 rows"},
        {{"render", bigTable, "--project", pto(), "-o", out("v.xyz")}, 2, "no image format"},
        {{"render", bigTable, "--project", pto(), "-o", folder}, 2, "is a folder"},
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
        {{"export", "--settings", badSettings, pto()},
         1,
         "settings file " + badSettings + ": written by a newer program (format 9; "},
        {{"export", "--settings", out("none.json"), pto()}, 1, "--no-settings exports without"},
        {{"export", huge}, 1, "the layers of this project (2 cameras, the largest "},
    };
    QFile::remove(out("Camera_2K_Project.tab"));
    for (const Case& c : cases) {
        const ProcessRun r = runProgram("orvikjoint-cli", c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString() << c.message.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out("Camera_2K_Project.tab")));
    EXPECT_FALSE(QFile::exists(out("tiff")));
    EXPECT_FALSE(QFile::exists(out("v.png")));

    // A camera the tables would leave out: named, and nothing written unless allowed.
    const ProcessRun refused = runProgram("orvikjoint-cli", {"export", "--2k", out("rig360.pto")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(
        refused.err.contains("camera 4 (pano360.jpg): its middle row has no edge to cut "
                             "at; it is left out of the tables"))
        << refused.err.toStdString();
    EXPECT_FALSE(QFile::exists(out("Camera_2K_Project.tab")));
    const ProcessRun allowed = runProgram(
        "orvikjoint-cli",
        {"export", "--2k", "--crop", "20000", "--allow-missing-cameras", out("rig360.pto")});
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

// Tables that leave black what the cameras see: refused with the share, the
// columns and the cause, written with --allow-holes, and found again by
// inspect and render.
TEST_F(CliRig, HolesAreRefusedUnlessAllowedAndFoundAgain) {
    for (const char* t : {"Camera_2K_Project.tab", "Camera_4K_Project.tab"}) QFile::remove(out(t));
    const ProcessRun refused = runProgram("orvikjoint-cli", {"export", "--no-settings", pto()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QRegularExpression(
        "[0-9.]+% of what the cameras see has no weight \\([0-9]+ of [0-9]+ pixels\\): camera 0 "
        "at panorama columns [0-9]+-[0-9]+")))
        << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains("crop 0 clears the middle of cameras 0, 1 and 3"));
    EXPECT_FALSE(QFile::exists(out("Camera_2K_Project.tab")));
    // A partial arc whose cameras keep but slivers of their middle rows.
    std::string arc = "p f2 w960 h480 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n";
    for (const char* yaw : {"-70", "0", "70"})
        arc += std::string("i w480 h270 f0 v100 r0 p0 y") + yaw + " n\"a" + yaw + ".jpg\"\n";
    ASSERT_EQ(runProgram("riggen", {QString::fromStdString(dir->write("arc.pto", arc))}).exitCode,
              0);
    const ProcessRun sliver =
        runProgram("orvikjoint-cli", {"export", "--2k", "--crop", "15000", out("arc.pto")});
    EXPECT_EQ(sliver.exitCode, 1);
    EXPECT_TRUE(sliver.err.contains(", camera 1 at columns ")) << sliver.err.toStdString();

    const ProcessRun allowed =
        runProgram("orvikjoint-cli", {"export", "--no-settings", "--allow-holes", pto()});
    EXPECT_EQ(allowed.exitCode, 0);
    EXPECT_TRUE(allowed.err.contains("warning: the tables have holes: "))
        << allowed.err.toStdString();
    for (const QStringList& args : {QStringList{out("Camera_2K_Project.tab"), "--project", pto()},
                                    QStringList{out("QuickWeave_Projcet.tab")}}) {
        const ProcessRun inspect = runProgram("orvikjoint-cli", QStringList{"inspect"} + args);
        EXPECT_EQ(inspect.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(inspect.out.contains("the table has holes: ")) << inspect.out.toStdString();
        EXPECT_TRUE(inspect.out.endsWith("INVALID\n"));
    }
    // A project that is not the table's rig is refused.
    const ProcessRun other = runProgram(
        "orvikjoint-cli", {"inspect", out("Camera_2K_Project.tab"), "--project", out("arc.pto")});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_TRUE(other.err.contains("names 3 camera images, the table has 4 cameras"))
        << other.err.toStdString();
    const ProcessRun render = runProgram(
        "orvikjoint-cli",
        {"render", out("Camera_4K_Project.tab"), "--project", pto(), "-o", out("holes.png")});
    EXPECT_EQ(render.exitCode, 1);
    EXPECT_TRUE(QFile::exists(out("holes.png")));
    EXPECT_FALSE(QFile::exists(out("tiff"))) << "inspect and render remap elsewhere";
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
        const QByteArray said = cli.readAllStandardOutput() + cli.readAllStandardError();
        EXPECT_EQ(said.contains("did not finish within 2 seconds"), !signal);
        // Only the camera it was stuck on is named, and not as unreadable.
        EXPECT_EQ(said.contains("camera 0 (c0.jpg): the remapper was stopped"), !signal);
        EXPECT_FALSE(said.contains("could not be read")) << said.constData();
        EXPECT_FALSE(QFile::exists(out("tiff")));
        QFile list(pids);
        ASSERT_TRUE(list.open(QIODevice::ReadOnly));
        for (const QByteArray& pid : list.readAll().split('\n'))
            EXPECT_TRUE(pid.isEmpty() || processEnded(QString(pid))) << pid.constData();
    }
}

// The device view of each table against riggen's scene. Half a pixel of
// misplacement costs about 10 dB here; the 12.4 positions of the device
// tables cost at most half a dB against QuickWeave's floats. The fisheye's
// cameras barely out-resolve the panorama, whose grid edges are a pixel and a
// half wide, so resampling alone keeps it near 32 dB.
TEST_F(CliRig, DeviceViewsOfEveryTableMatchTheScene) {
    makeDeviceRigs();
    for (const auto& [rig, floor] : {std::make_pair("ring", 35.0), std::make_pair("fish", 31.0),
                                     std::make_pair("arc", 34.0)}) {
        const QString folder = out(rig);
        double quickWeave = 0;
        for (const char* table :
             {"QuickWeave_Projcet.tab", "Camera_2K_Project.tab", "Camera_4K_Project.tab"}) {
            SCOPED_TRACE(std::string(rig) + " " + table);
            const QString path = folder + "/" + table;
            const ProcessRun inspect = runProgram(
                "orvikjoint-cli", {"inspect", path, "--project", folder + "/rig.pto", "--json"});
            EXPECT_EQ(inspect.exitCode, 0) << inspect.out.toStdString();
            const QJsonObject summary = QJsonDocument::fromJson(inspect.out.toUtf8()).object();
            EXPECT_TRUE(summary["valid"].toBool());
            EXPECT_GT(summary["coverage"].toDouble(), 0.3);
            EXPECT_EQ(summary["seen"].toObject()["holePixels"].toInt(-1), 0);
            const ProcessRun render = runProgram(
                "orvikjoint-cli", {"render", path, "--project", folder + "/rig.pto", "-o",
                                   path + ".png", "--diff", folder + "/scene.png"});
            ASSERT_EQ(render.exitCode, 0) << render.err.toStdString();
            EXPECT_TRUE(
                render.out.contains(QRegularExpression("black: 0\\.0[0-9]% of the reference")))
                << render.out.toStdString();
            const auto m = QRegularExpression("PSNR ([0-9.]+) dB").match(render.out);
            ASSERT_TRUE(m.hasMatch()) << render.out.toStdString();
            const double db = m.captured(1).toDouble();
            EXPECT_GE(db, floor);
            if (quickWeave == 0)
                quickWeave = db;
            else
                EXPECT_NEAR(db, quickWeave, 0.5);
            EXPECT_TRUE(QFile::exists(path + "-diff.png"));
        }
    }
}

// A head that does not close the circle: every camera of the arc takes part
// in the tables (the device views above hold its outer ends against the
// scene), while a camera that overlaps nobody is still refused by name.
TEST_F(CliRig, AutomaticSeamsTakeEveryCameraOfAnArcButNotALonelyOne) {
    makeDeviceRigs();
    for (const char* name : {"arc/Camera_2K_Project.tab", "arc/Camera_4K_Project.tab"}) {
        const auto table = testsupport::readSoundTable(dir->file(name));
        ASSERT_EQ(table.N, 3) << name;
        for (int i = 0; i < 3; ++i) EXPECT_GT(table.recordCount[i], 0u) << name << " camera " << i;
    }
    // Content seams too: the open ends keep their sides, the two seams follow
    // the agreement, and the tables have no hole.
    QDir().mkpath(out("arcc"));
    for (const QString f : QDir(out("arc")).entryList({"*.pto", "*.jpg"}, QDir::Files))
        QFile::copy(out("arc/") + f, out("arcc/") + f);
    const ProcessRun content = runProgram(
        "orvikjoint-cli", {"export", "--auto", "--seams", "content", "--2k", out("arcc/rig.pto")});
    ASSERT_EQ(content.exitCode, 0) << content.err.toStdString();
    const auto contentTable = testsupport::readSoundTable(dir->file("arcc/Camera_2K_Project.tab"));
    for (int i = 0; i < 3; ++i) EXPECT_GT(contentTable.recordCount[i], 0u) << "camera " << i;
    EXPECT_EQ(runProgram("orvikjoint-cli", {"inspect", out("arcc/Camera_2K_Project.tab"),
                                            "--project", out("arcc/rig.pto")})
                  .exitCode,
              0);
    dir->write("lonely.pto",
               "p f2 w960 h480 v200 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n"
               "i w480 h270 f0 v100 r0 p0 y-60 n\"l0.jpg\"\n"
               "i w480 h270 f0 v100 r0 p0 y0 n\"l1.jpg\"\n"
               "i w240 h270 f0 v40 r0 p0 y80 n\"l2.jpg\"\n");
    ASSERT_EQ(runProgram("riggen", {out("lonely.pto")}).exitCode, 0);
    const ProcessRun r = runProgram("orvikjoint-cli", {"export", "--auto", out("lonely.pto")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("camera 2 (l2.jpg): no overlap with a neighbour"))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("camera 0 (")) << r.err.toStdString();
}

// A 2K table whose camera 1 lost its records (its weights remain): inspect
// names the camera, exits 1, and render still shows the rest.
TEST_F(CliRig, InspectShowsACameraLeftOut) {
    makeDeviceRigs();
    std::vector<uint8_t> b = testsupport::readFileBytes(dir->file("ring/Camera_2K_Project.tab"));
    using namespace device_table;
    ASSERT_GT(b.size(), sectionsStart(4));
    auto u32 = [&](size_t at) { return ByteView(b.data(), b.size()).u32(at); };
    auto put = [&](size_t at, uint32_t v) { storeU32(&b[at], v); };
    const uint32_t start = u32(arrayItem(SectionOffsets, 4, 1));
    const uint32_t length = u32(arrayItem(SectionLengths, 4, 1));
    b.erase(b.begin() + start, b.begin() + start + length);
    put(arrayItem(SectionLengths, 4, 1), 0);
    put(arrayItem(RecordCounts, 4, 1), 0);
    for (size_t c = 2; c < 4; ++c)
        put(arrayItem(SectionOffsets, 4, c), u32(arrayItem(SectionOffsets, 4, c)) - length);
    put(kBlendOffsetAt, u32(kBlendOffsetAt) - length);
    put(kFileSizeAt, u32(kFileSizeAt) - length);
    QFile f(out("ring/left-out.tab"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<qint64>(b.size()));
    f.close();
    const ProcessRun r = runProgram("orvikjoint-cli", {"inspect", out("ring/left-out.tab")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("camera 1 is left out")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("violations: none")) << r.out.toStdString();
    EXPECT_TRUE(
        r.out.contains(QRegularExpression("hole: camera 1 has weight but no entry at [1-9]")));
}

// The tables of a run are one set, written whole before any replaces its
// predecessor, and the operator's settings file changes only when a run read
// it and replaced every table.
TEST_F(CliRig, TablesAreReplacedTogetherAndSettingsOnlyWhenTheyWereRead) {
    const QString settings = out("rig.orvik.json");
    QFile::remove(settings);
    ASSERT_EQ(runProgram("orvikjoint-cli", {"export", "--blend", "1000", "--crop", "20000", pto()})
                  .exitCode,
              0);
    const std::vector<uint8_t> tuned = testsupport::readFileBytes(settings.toStdString());
    auto bytes = [&](const char* name) { return testsupport::readFileBytes(dir->file(name)); };
    const std::vector<uint8_t> quickWeave = bytes("QuickWeave_Projcet.tab");
    // Replacing a read-only table (root may) keeps it read-only.
    const QFileDevice::Permissions readOnly =
        QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const bool root = geteuid() == 0;
    // (Qt adds what the current user may do; root may write anything.)
    auto mode = [&] { return QFile::permissions(out("Camera_2K_Project.tab")) & 0x7077; };
    if (root) QFile::setPermissions(out("Camera_2K_Project.tab"), readOnly);

    QFile::copy(settings, out("other.json"));
    for (const QString choice : {"--no-settings", "--settings"}) {
        QStringList args = {"export", "--blend", "3000", "--crop", "20000", pto()};
        args.insert(1, choice);
        if (choice == "--settings") args.insert(2, out("other.json"));
        const ProcessRun r = runProgram("orvikjoint-cli", args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(testsupport::readFileBytes(settings.toStdString()), tuned)
            << choice.toStdString();
        EXPECT_FALSE(r.out.contains("saved settings"));
    }
    EXPECT_NE(bytes("QuickWeave_Projcet.tab"), quickWeave);  // blend 3000 was written
    if (root) {
        EXPECT_EQ(mode(), readOnly);
    }

    // The 4K table cannot be written (a folder in its way), or any table
    // beyond a file size limit: none is replaced, nothing is left behind.
    const std::vector<uint8_t> before = bytes("Camera_2K_Project.tab");
    QFile::remove(out("Camera_4K_Project.tab"));
    QDir().mkdir(out("Camera_4K_Project.tab"));
    const ProcessRun blocked = runProgram("orvikjoint-cli", {"export", "--blend", "5000", pto()});
    QProcess shell;
    shell.start("/bin/sh", {"-c", "ulimit -f 2048; exec \"$0\" export --2k --blend 5000 \"$1\"",
                            QString(ORVIK_BIN_DIR) + "/orvikjoint-cli", pto()});
    ASSERT_TRUE(shell.waitForFinished(300000));
    const ProcessRun limited{shell.exitCode(), "",
                             QString::fromLocal8Bit(shell.readAllStandardError())};
    for (const ProcessRun& r : {blocked, limited}) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains("no table replaced")) << r.err.toStdString();
    }
    EXPECT_TRUE(limited.err.contains("Camera_2K_Project.tab: File too large"));
    EXPECT_EQ(bytes("Camera_2K_Project.tab"), before);
    EXPECT_EQ(testsupport::readFileBytes(settings.toStdString()), tuned);
    EXPECT_TRUE(QDir(out("")).entryList({"*.part*"}, QDir::Files).isEmpty());
    QDir().rmdir(out("Camera_4K_Project.tab"));

    // A run that saves the settings keeps the file's mode, as it keeps a table's.
    QFile::setPermissions(settings, readOnly);
    EXPECT_EQ(runProgram("orvikjoint-cli", {"export", "--blend", "1000", "--crop", "20000", pto()})
                  .exitCode,
              0);
    EXPECT_EQ(QFile::permissions(settings) & 0x7077, readOnly);
    QFile::setPermissions(settings, readOnly | QFile::WriteOwner);
}

// riggen's parallax scene on the level ring (camera centres 6 cm out, near
// objects on the seams): the middle rule cuts through the objects, content
// seams pass beside them, and their tables are as sound as the middle rule's.
TEST_F(CliRig, ContentSeamsAvoidWhatParallaxDoublesAndKeepTheTablesWhole) {
    QDir(QString::fromStdString(dir->path())).mkpath("parallax");
    const QString rig = out("parallax") + "/rig.pto";
    QFile::copy(pto(), rig);
    ASSERT_EQ(runProgram("riggen", {"-q", "100", "--parallax-radius", "0.06", rig}).exitCode, 0);
    // The seams' lines: their count and their mean difference over all their pixels.
    auto seams = [](const ProcessRun& r) {
        const QRegularExpression line(
            "^seam camera \\d over camera \\d, columns \\d+-\\d+: mean difference ([0-9.]+) over "
            "(\\d+) px, worst rows \\d+-\\d+: [0-9.]+$",
            QRegularExpression::MultilineOption);
        double sum = 0, pixels = 0;
        int count = 0;
        for (auto m = line.globalMatch(r.out); m.hasNext(); ++count) {
            const auto hit = m.next();
            sum += hit.captured(1).toDouble() * hit.captured(2).toDouble();
            pixels += hit.captured(2).toDouble();
        }
        return std::make_pair(count, pixels > 0 ? sum / pixels : -1);
    };
    const ProcessRun middle = runProgram("orvikjoint-cli", {"export", "--auto", rig});
    ASSERT_EQ(middle.exitCode, 0) << middle.err.toStdString();
    // The settings the first export saved say automatic: --seams needs no --auto.
    const ProcessRun content = runProgram("orvikjoint-cli", {"export", "--seams", "content", rig});
    ASSERT_EQ(content.exitCode, 0) << content.err.toStdString();
    const auto [middleSeams, middleMean] = seams(middle);
    const auto [contentSeams, contentMean] = seams(content);
    EXPECT_EQ(middleSeams, 4) << middle.out.toStdString();
    EXPECT_EQ(contentSeams, 4) << content.out.toStdString();
    EXPECT_GT(middleMean, 3.0);
    EXPECT_LT(contentMean, 0.3 * middleMean) << content.out.toStdString();
    // Kept in the settings file, and what a later export uses.
    QFile settings(out("parallax") + "/rig.orvik.json");
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(settings.readAll()).object()["seams"].toString(), "content");
    const ProcessRun again = runProgram("orvikjoint-cli", {"export", "--2k", rig});
    EXPECT_EQ(seams(again).second, contentMean);

    for (const char* table :
         {"QuickWeave_Projcet.tab", "Camera_2K_Project.tab", "Camera_4K_Project.tab"}) {
        SCOPED_TRACE(table);
        const QString path = out("parallax") + "/" + table;
        const ProcessRun inspect =
            runProgram("orvikjoint-cli", {"inspect", path, "--project", rig, "--json"});
        EXPECT_EQ(inspect.exitCode, 0) << inspect.out.toStdString();
        const QJsonObject summary = QJsonDocument::fromJson(inspect.out.toUtf8()).object();
        EXPECT_TRUE(summary["valid"].toBool());
        EXPECT_EQ(summary["seen"].toObject()["holePixels"].toInt(-1), 0);
        const ProcessRun render =
            runProgram("orvikjoint-cli", {"render", path, "--project", rig, "-o", path + ".png"});
        EXPECT_EQ(render.exitCode, 0) << render.out.toStdString() << render.err.toStdString();
    }
}
