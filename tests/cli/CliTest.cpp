// The headless front end, run as a real process on a rig generated at test time.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include "DeviceTableReader.h"
#include "TempDir.h"

namespace {

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

CliRun run(const QString& program, const QStringList& args, const QString& cwd = QString()) {
    QProcess p;
    if (!cwd.isEmpty()) p.setWorkingDirectory(cwd);
    p.start(QString(ORVIK_BIN_DIR) + "/" + program, args);
    CliRun r;
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// Four small rectilinear cameras around the horizon, each with a little roll so
// every layer shows both seams on its middle row.
class CliRig : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new ScratchDir;
        dir->write("rig.pto",
                   "p f2 w960 h480 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n"
                   "i w480 h270 f0 v100 r2 p0 y0 n\"c0.jpg\"\n"
                   "i w480 h270 f0 v=0 r-2 p0 y90 n\"c1.jpg\"\n"
                   "i w480 h270 f0 v=0 r1.5 p0 y180 n\"c2.jpg\"\n"
                   "i w480 h270 f0 v=0 r-1.5 p0 y270 n\"c3.jpg\"\n");
        const CliRun r = run("riggen", {pto()});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    // For the device views: the same ring and a fisheye rig, each in its own
    // folder, with their scenes, lossless-quality images and all three tables.
    // Made once per test process, by the tests that need them.
    static void makeDeviceRigs() {
        if (QFile::exists(out("fish/Camera_4K_Project.tab"))) return;
        QDir(QString::fromStdString(dir->path())).mkpath("ring");
        QDir(QString::fromStdString(dir->path())).mkpath("fish");
        QFile::copy(pto(), out("ring/rig.pto"));
        dir->write("fish/rig.pto",
                   "p f2 w1536 h768 v360 E0 R0 n\"TIFF_m c:LZW r:CROP\"\n"
                   "i w640 h480 f3 v160 r0.5 p-1 y0 a0.012 b-0.035 c0.018 d4 e-3 n\"f0.jpg\"\n"
                   "i w640 h480 f3 v=0 r-0.8 p0.5 y120 a=0 b=0 c=0 d=0 e=0 n\"f1.jpg\"\n"
                   "i w640 h480 f3 v=0 r0.3 p1 y240 a=0 b=0 c=0 d=0 e=0 n\"f2.jpg\"\n");
        for (const char* rig : {"ring", "fish"}) {
            const QString folder = out(rig);
            const CliRun g =
                run("riggen", {"-q", "100", "--scene", folder + "/scene.png", folder + "/rig.pto"});
            ASSERT_EQ(g.exitCode, 0) << g.err.toStdString();
            const CliRun e = run("orvikjoint-cli", {"export", "--auto", folder + "/rig.pto"});
            ASSERT_EQ(e.exitCode, 0) << e.err.toStdString();
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

std::vector<uint8_t> readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray b = f.readAll();
    return std::vector<uint8_t>(b.begin(), b.end());
}

}  // namespace

TEST_F(CliRig, ExportsEveryTableOfALoadedRig) {
    // Relative project path on purpose: the remapper runs in the work folder.
    const CliRun r =
        run("orvikjoint-cli", {"export", "--blend", "20000", "--crop", "20000", "rig.pto"},
            QString::fromStdString(dir->path()));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("analysed camera 4/4")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("wrote " + out("Camera_2K_Project.tab")));
    EXPECT_TRUE(r.out.contains("wrote " + out("QuickWeave_Projcet.tab")));
    EXPECT_TRUE(r.out.contains("wrote " + out("Camera_4K_Project.tab")));
    EXPECT_FALSE(QFile::exists(out("tiff"))) << "the work folder is removed";

    const auto table = testsupport::readSoundTable(out("Camera_2K_Project.tab").toStdString());
    EXPECT_EQ(table.N, 4);
    EXPECT_EQ(table.W, 960);
    EXPECT_EQ(table.H, 480);
    EXPECT_EQ(table.sourceWidth0, 480);
    for (int i = 0; i < 4; ++i) EXPECT_GT(table.recordCount[i], 0u) << "camera " << i;
}

TEST_F(CliRig, OnlyTheRequestedTableAndAdjustmentsApply) {
    QFile::remove(out("QuickWeave_Projcet.tab"));
    QFile::remove(out("Camera_2K_Project.tab"));
    const CliRun r = run("orvikjoint-cli", {"export", "--quickweave", "--order", "0,1,2,3",
                                            "--trim", "1:100:200", "--auto", pto()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(out("QuickWeave_Projcet.tab")));
    EXPECT_FALSE(QFile::exists(out("Camera_2K_Project.tab")));
    // The QuickWeave file carries the drawing order right after N, W, H.
    const auto bytes = readAll(out("QuickWeave_Projcet.tab"));
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
    };
    QFile::remove(out("Camera_2K_Project.tab"));
    for (const Case& c : cases) {
        const CliRun r = run("orvikjoint-cli", c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out("Camera_2K_Project.tab")));

    const CliRun help = run("orvikjoint-cli", {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: orvikjoint-cli export"));
}

// The device view of each table against riggen's scene. Half a pixel of
// misplacement costs about 10 dB here; the 12.4 positions of the device
// tables cost at most half a dB against QuickWeave's floats. The fisheye's
// cameras barely out-resolve the panorama, whose grid edges are a pixel and a
// half wide, so resampling alone keeps it near 32 dB.
TEST_F(CliRig, DeviceViewsOfEveryTableMatchTheScene) {
    makeDeviceRigs();
    for (const auto& [rig, floor] : {std::make_pair("ring", 35.0), std::make_pair("fish", 31.0)}) {
        const QString folder = out(rig);
        double quickWeave = 0;
        for (const char* table :
             {"QuickWeave_Projcet.tab", "Camera_2K_Project.tab", "Camera_4K_Project.tab"}) {
            SCOPED_TRACE(std::string(rig) + " " + table);
            const QString path = folder + "/" + table;
            const CliRun inspect = run("orvikjoint-cli", {"inspect", path, "--json"});
            EXPECT_EQ(inspect.exitCode, 0) << inspect.out.toStdString();
            const QJsonObject summary = QJsonDocument::fromJson(inspect.out.toUtf8()).object();
            EXPECT_TRUE(summary["valid"].toBool());
            EXPECT_GT(summary["coverage"].toDouble(), 0.3);
            const CliRun render =
                run("orvikjoint-cli", {"render", path, "--project", folder + "/rig.pto", "-o",
                                       path + ".png", "--diff", folder + "/scene.png"});
            ASSERT_EQ(render.exitCode, 0) << render.err.toStdString();
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

// A 2K table whose camera 1 lost its records (its weights remain): inspect
// names the camera, exits 1, and render still shows the rest.
TEST_F(CliRig, InspectShowsACameraLeftOut) {
    makeDeviceRigs();
    std::vector<uint8_t> b = readAll(out("ring/Camera_2K_Project.tab"));
    ASSERT_GT(b.size(), 128u + 80u);
    auto u32 = [&](size_t at) {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
    };
    auto put = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
    };
    const uint32_t start = u32(128 + 4), length = u32(128 + 16 + 4);
    b.erase(b.begin() + start, b.begin() + start + length);
    put(128 + 16 + 4, 0);                                                        // A2[1]
    put(128 + 32 + 4, 0);                                                        // A3[1]
    for (size_t c = 2; c < 4; ++c) put(128 + 4 * c, u32(128 + 4 * c) - length);  // A1
    put(40, u32(40) - length);  // blend table offset
    put(12, u32(12) - length);  // file size - 128
    QFile f(out("ring/left-out.tab"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<qint64>(b.size()));
    f.close();
    const CliRun r = run("orvikjoint-cli", {"inspect", out("ring/left-out.tab")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.contains("camera 1 is left out")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("violations: none")) << r.out.toStdString();
    EXPECT_TRUE(
        r.out.contains(QRegularExpression("hole: camera 1 has weight but no entry at [1-9]")));
}
