// The headless front end, run as a real process on a rig generated at test time.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

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
