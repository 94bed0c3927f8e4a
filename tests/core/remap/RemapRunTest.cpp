// The remapper run: script, waiting, loading every camera, clean-up.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <array>
#include <opencv2/imgcodecs.hpp>

#include "ProcessRun.h"
#include "RecordingReporter.h"
#include "TiffFixtures.h"
#include "project/Project.h"
#include "remap/RemapControl.h"
#include "remap/RemapRun.h"
#include "remap/RemapScript.h"
#include "remap/WorkFolder.h"

namespace {

// The remapper runs need Qt's event loop and application paths.
void ensureCoreApplication() {
    static int argc = 1;
    static char name[] = "orvik_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

QString readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromLocal8Bit(f.readAll());
}

bool writeText(const QString& path, const QString& text, bool executable = false) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    f.write(text.toLocal8Bit());
    f.close();
    if (executable) f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser);
    return true;
}

// A small rig on disk: a project folder whose name has a blank, a PTO file with
// `count` images, their source frames, and prepared remapper outputs in `fixtures`.
// Camera i's layer is 240 x 20, valid in columns 40..199, placed at panorama
// column 150 * i (XPosition = i inches).
class Rig : public ::testing::Test {
protected:
    static constexpr int kCount = 2;
    QTemporaryDir root;
    QString projectDir, fixtures, pto;
    Project project;

    void SetUp() override {
        ensureCoreApplication();
        projectDir = root.path() + "/my project";
        fixtures = root.path() + "/fixtures";
        ASSERT_TRUE(QDir().mkpath(projectDir));
        ASSERT_TRUE(QDir().mkpath(fixtures));
        QString text = "p f2 w600 h20 v360 n\"TIFF_m\"\n";
        for (int i = 0; i < kCount; ++i) {
            const QString src = QString("%1/cam%2.png").arg(projectDir).arg(i);
            ASSERT_TRUE(
                cv::imwrite(src.toStdString(), cv::Mat(30, 40, CV_8UC3, cv::Scalar::all(9))));
            text += QString("i w40 h30 f0 v90 y%1 n\"cam%2.png\"\n").arg(i * 90).arg(i);
            const std::string base = QString("%1/pic000%2").arg(fixtures).arg(i).toStdString();
            ASSERT_TRUE(writeImageTiff(base + ".tif", rowsValidIn(240, 20, {{40, 199}}),
                                       static_cast<float>(i), 0.0f));
            cv::Mat map(20, 240, CV_32FC1, cv::Scalar(i + 0.5));
            ASSERT_TRUE(writeMapTiff(base + "_x.tif", map));
            ASSERT_TRUE(writeMapTiff(base + "_y.tif", map));
        }
        pto = projectDir + "/rig.pto";
        ASSERT_TRUE(writeText(pto, text));
        project.loadProject(pto.toStdString());
        ASSERT_EQ(project.cameras.size(), static_cast<size_t>(kCount));
        project.cutValue = 20000;
    }

    // A stand-in remapper: copies camera i's prepared files into the current
    // directory (which must be the work folder) and logs its arguments.
    QString fakeRemapper(const QString& extra = QString()) {
        const QString path = root.path() + "/fake nona";
        const QString script = QString(
                                   "#!/bin/sh\n"
                                   "printf '%s|' \"$@\" >> '%1/args.log'; echo >> '%1/args.log'\n"
                                   "%2\n"
                                   "while [ $# -gt 1 ]; do [ \"$1\" = -i ] && i=$2; shift; done\n"
                                   "cp '%3'/pic000$i.tif '%3'/pic000${i}_x.tif "
                                   "'%3'/pic000${i}_y.tif .\n")
                                   .arg(root.path(), extra, fixtures);
        EXPECT_TRUE(writeText(path, script, true));
        return path;
    }

    QString tiff() const { return projectDir + "/tiff"; }
};

}  // namespace

TEST(RemapScript, OneLinePerCameraWithQuotedPaths) {
    ensureCoreApplication();
    QTemporaryDir dir;
    const QString work = dir.path() + "/tiff";
    const QString pto = dir.path() + "/it's a rig $HOME.pto";
    const QString script = writeRemapBatch(work, 3, pto, "/opt/my tools/nona2");
    EXPECT_EQ(script, work + "/nona.sh");
    const QStringList lines = readAll(script).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[0], "var='/opt/my tools/nona2'");
    EXPECT_EQ(lines[2], "echo 'orvikjoint: remapping camera 0'");
    EXPECT_EQ(lines[3], "\"$var\" -c -z LZW -r ldr -m TIFF_m -o \"pic\" -i 0 '" + dir.path() +
                            "/it'\\''s a rig $HOME.pto' || status=$?");
    EXPECT_TRUE(lines[7].contains(" -i 2 "));
    EXPECT_EQ(lines[8], "exit $status");
    EXPECT_EQ(readAll(writeRemapBatch(work, 0, pto, "x")).count("$var"), 0);
    // The default remapper sits beside the executable.
    EXPECT_EQ(remapperProgram(), QCoreApplication::applicationDirPath() + "/nona2");
}

TEST(RemoveFolderRecursive, RemovesNestedEntriesButNotLinkTargets) {
    QTemporaryDir dir;
    const QString top = dir.path() + "/top";
    ASSERT_TRUE(QDir().mkpath(top + "/a/b"));
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/outside"));
    ASSERT_TRUE(writeText(top + "/a/b/f.txt", "x"));
    ASSERT_TRUE(writeText(top + "/.hidden", "x"));
    ASSERT_TRUE(writeText(dir.path() + "/outside/keep.txt", "x"));
    ASSERT_TRUE(QFile::link(dir.path() + "/outside", top + "/link"));
    EXPECT_TRUE(removeFolderRecursive(top));
    EXPECT_FALSE(QFileInfo::exists(top));
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/outside/keep.txt"));
    EXPECT_TRUE(removeFolderRecursive(top));  // already gone
}

TEST_F(Rig, LoadsEveryCameraAndLeavesNoWorkFolder) {
    // (phase, done, total): 0 remapping, 1 analysing.
    using Step = std::array<int, 3>;
    std::vector<Step> progress;
    RemapControl control;
    control.remapProgress = [&](int done, int total) { progress.push_back({0, done, total}); };
    control.analysisProgress = [&](int done, int total) { progress.push_back({1, done, total}); };
    const QString before = QDir::currentPath();
    const RemapResult run = runRemapperWith(project, fakeRemapper(), control);
    EXPECT_TRUE(run.ok() && run.message.isEmpty()) << run.message.toStdString();
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_FALSE(QFileInfo::exists(tiff()));
    for (int i = 0; i < kCount; ++i) {
        const Camara& cam = project.cameras[static_cast<size_t>(i)];
        EXPECT_EQ(cam.index, i);
        EXPECT_EQ(cam.offsetX, 150 * i);
        EXPECT_EQ(cam.coordMap.size(), cv::Size(240, 20));
        EXPECT_EQ(cam.sourceSize, cv::Size(40, 30));
        EXPECT_EQ(cam.rawBdy, (std::vector<BoundaryEdge>{{40, 1}, {200, 0}}));
        EXPECT_EQ(cam.imgBdy, (std::vector<BoundaryEdge>{{40, 1}, {200, 0}}));
        EXPECT_TRUE(cam.textureStale);
    }
    // Remapper arguments, once per camera in index order; the blank in the
    // project path survived.
    const QStringList calls = readAll(root.path() + "/args.log").split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(calls.size(), kCount);
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(calls[i], QString("-c|-z|LZW|-r|ldr|-m|TIFF_m|-o|pic|-i|%1|%2|").arg(i).arg(pto));
    // Remapping counted up from 0, then each camera analysed once, in order.
    ASSERT_GT(progress.size(), static_cast<size_t>(kCount));
    EXPECT_EQ(progress.front(), (Step{0, 0, kCount}));
    const size_t analysis = progress.size() - kCount;
    for (size_t k = 1; k < analysis; ++k) {
        EXPECT_EQ(progress[k][0], 0);
        EXPECT_GE(progress[k][1], progress[k - 1][1]);
        EXPECT_LE(progress[k][1], kCount);
    }
    for (int i = 0; i < kCount; ++i)
        EXPECT_EQ(progress[analysis + static_cast<size_t>(i)], (Step{1, i + 1, kCount}));
}

TEST_F(Rig, PreExistingTiffFolderKeepsItsOtherFiles) {
    ASSERT_TRUE(QDir().mkpath(tiff() + "/sub"));
    ASSERT_TRUE(writeText(tiff() + "/notes.txt", "mine"));
    ASSERT_TRUE(writeText(tiff() + "/sub/more.txt", "mine too"));
    // Left over from an interrupted run: must not pass for this run's output.
    ASSERT_TRUE(QFile::copy(fixtures + "/pic0001.tif", tiff() + "/pic0001.tif"));
    ASSERT_TRUE(writeText(tiff() + "/pic0001_x.tif.part4711", "partial"));
    const RemapResult run = runRemapperWith(project, fakeRemapper("[ \"${11}\" = 1 ] && exit 1"));
    EXPECT_EQ(run.status, RemapResult::Status::Failed);
    EXPECT_TRUE(run.message.contains("exit code 1")) << run.message.toStdString();
    EXPECT_FALSE(project.cameras[0].image.empty());
    EXPECT_TRUE(project.cameras[1].image.empty());
    EXPECT_EQ(readAll(tiff() + "/notes.txt"), "mine");
    EXPECT_EQ(readAll(tiff() + "/sub/more.txt"), "mine too");
    const QStringList left = QDir(tiff()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, (QStringList{"notes.txt", "sub"}));
}

TEST_F(Rig, RemapperFailuresAreNamedAndTheLoadGoesOn) {
    const QString missing = root.path() + "/no such/nona2";
    testsupport::RecordingReporter console;
    RemapResult run = runRemapperWith(project, missing);
    QString error = run.message;
    const std::string out = console.take();
    EXPECT_TRUE(error.contains(missing) && error.contains("not found")) << error.toStdString();
    EXPECT_EQ(run.status, RemapResult::Status::NotRun);
    EXPECT_EQ(run.stoppedAt, -1);
    EXPECT_NE(out.find(error.toStdString()), std::string::npos);
    EXPECT_NE(out.find("camara size:2\r\n"), std::string::npos);
    EXPECT_TRUE(project.cameras[0].image.empty());
    EXPECT_EQ(project.cameras[0].index, 0);
    EXPECT_FALSE(QFileInfo::exists(tiff()));

    const QString plain = root.path() + "/plain";
    ASSERT_TRUE(writeText(plain, "#!/bin/sh\n"));
    error = runRemapperWith(project, plain).message;
    EXPECT_TRUE(error.contains(plain) && error.contains("not executable")) << error.toStdString();

    error = runRemapperWith(project, fakeRemapper("echo 'cannot read image' >&2; exit 3")).message;
    EXPECT_TRUE(error.contains("fake nona") && error.contains("exit code 3") &&
                error.contains("cannot read image"))
        << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(tiff()));

    // A work folder that cannot be made: the system's reason, once, and no
    // line per camera about files the remapper never had a chance to write.
    ASSERT_TRUE(writeText(tiff(), "in the way"));
    console.take();
    run = runRemapperWith(project, fakeRemapper());
    EXPECT_EQ(run.message, "work folder " + tiff() + " cannot be created: File exists");
    EXPECT_FALSE(run.analysed());
    EXPECT_EQ(console.take().find("camera 0"), std::string::npos);
    ASSERT_TRUE(QFile::remove(tiff()));

    // A clean run after all that.
    run = runRemapperWith(project, fakeRemapper());
    EXPECT_TRUE(run.ok() && run.message.isEmpty());
}

// A run that is ended (time limit, cancel) takes the whole remapper with it and
// leaves nothing; a work folder a killed run left goes with the next run.
TEST_F(Rig, EndedRunsAndLeftoversLeaveNoWorkFolderNorProcess) {
    const QString pids = root.path() + "/pids";
    const QString slow = fakeRemapper(QString("echo $$ >> '%1'; exec sleep 60").arg(pids));
    for (int way = 0; way < 2; ++way) {
        int polls = 0;
        RemapControl control;
        control.timeoutSeconds = way == 0 ? 1 : 0;
        control.cancelled = [&] { return way == 1 && ++polls > 5; };
        const RemapResult run = runRemapperWith(project, slow, control);
        const QString& error = run.message;
        EXPECT_FALSE(run.analysed());
        EXPECT_TRUE(error.contains(way == 0 ? "did not finish within 1 seconds" : "cancelled"))
            << error.toStdString();
        // The camera it was stuck on, and no other, is named.
        EXPECT_TRUE(error.endsWith("(at camera 0, cam0.png)")) << error.toStdString();
        EXPECT_EQ(run.stoppedAt, 0);
        EXPECT_FALSE(QFileInfo::exists(tiff()));
        EXPECT_TRUE(project.cameras[0].image.empty());
        for (const QString& pid : readAll(pids).split('\n', Qt::SkipEmptyParts))
            EXPECT_TRUE(processEnded(pid)) << pid.toStdString();
    }

    // What a killed run leaves: the marked folder, the script, a layer, a partial file.
    ASSERT_TRUE(QDir().mkpath(tiff()));
    for (const char* name : {".orvikjoint-work", "nona.sh", "pic0000.tif", "pic0001.tif.part99"})
        ASSERT_TRUE(writeText(tiff() + "/" + name, "left over"));
    // The second layer is placed beyond a panorama of 300 columns.
    project.panoWidth = 300;
    const RemapResult run = runRemapperWith(project, fakeRemapper());
    EXPECT_EQ(run.status, RemapResult::Status::Failed);
    EXPECT_EQ(run.message,
              "camera 1: remapped layer of 240x20 at (150, 0) does not lie inside the "
              "300x20 panorama");
    EXPECT_FALSE(project.cameras[0].image.empty());
    EXPECT_TRUE(project.cameras[1].image.empty() && project.cameras[1].coordMap.empty());
    EXPECT_FALSE(QFileInfo::exists(tiff()));
}

TEST_F(Rig, ZeroCamerasStillRunsAndCleansUp) {
    ASSERT_TRUE(writeText(pto, "p f2 w600 h20 v360\n"));
    project.loadProject(pto.toStdString());
    ASSERT_TRUE(project.cameras.empty());
    testsupport::RecordingReporter console;
    EXPECT_TRUE(runRemapperWith(project, fakeRemapper()).ok());
    EXPECT_NE(console.take().find("camara size:0\r\n"), std::string::npos);
    EXPECT_FALSE(QFileInfo::exists(tiff()));
}
