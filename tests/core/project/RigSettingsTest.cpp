#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include "TempDir.h"
#include "project/Project.h"
#include "project/RigSettings.h"

namespace {

std::string rig(const ScratchDir& dir, std::initializer_list<const char*> images) {
    std::string text = "p f2 w3840 h1920 v360 n\"TIFF_m\"\n";
    for (const char* image : images)
        text += "i w1920 h1080 f0 v100 n\"" + std::string(image) + "\"\n";
    return dir.write("rig.pto", text);
}

}  // namespace

TEST(RigSettings, RoundTripAndChangedCalibration) {
    ScratchDir dir;
    Project p;
    p.loadProject(rig(dir, {"cam0.jpg", "cam1.jpg", "cam2.jpg", "cam3.jpg"}));
    p.blendValue = 9000;
    p.cutValue = 123;
    p.autoMode = true;
    p.seamMode = SeamMode::Content;
    p.drawOrder = {0, 3, 1, 2};
    p.cameras[1].alpha = static_cast<double>(128 / 255.0f);
    p.cameras[1].hidden = true;
    p.cameras[2].highlighted = true;
    p.cameras[3].dirL = 7;
    p.cameras[3].dirR = 60000;
    const RigSettings tuned = RigSettings::capture(p);
    const QString path = settingsPathFor(p.ptoFilePath);
    EXPECT_EQ(path, QString::fromStdString(dir.file("rig.orvik.json")));
    ASSERT_EQ(tuned.write(path), "");

    RigSettings::defaults(p).apply(p);
    ASSERT_NE(RigSettings::capture(p), tuned);
    const RigSettingsRestore same = restoreSettings(p, path);
    EXPECT_TRUE(same.found && same.error.isEmpty());
    EXPECT_EQ(same.saved, tuned);
    EXPECT_EQ(RigSettings::capture(p), tuned);
    EXPECT_EQ(same.message(), "settings restored from " + path);

    // Camera 1 removed, camera 3 renamed: cam2 moves to index 1 with its
    // settings; the new camera starts fresh at the bottom, not with the
    // highlight its record kept from the previous load.
    p.loadProject(rig(dir, {"cam0.jpg", "cam2.jpg", "cam3b.jpg"}));
    const RigSettingsRestore changed = restoreSettings(p, path);
    EXPECT_TRUE(changed.applied.calibrationChanged);
    EXPECT_EQ(changed.applied.unmatched,
              QStringList({"cam1.jpg (not in the project)", "cam3.jpg (not in the project)",
                           "camera 2 (cam3b.jpg)"}));
    EXPECT_TRUE(changed.message().contains("settings not applied to: cam1.jpg"));
    EXPECT_TRUE(p.cameras[1].highlighted);
    EXPECT_FALSE(p.cameras[1].hidden);
    EXPECT_FALSE(p.cameras[2].highlighted);
    EXPECT_EQ(p.drawOrder, (std::deque<int>{2, 0, 1}));
    EXPECT_EQ(p.blendValue, 9000);

    // Another rig's file of many cameras: the first few are named, the rest counted.
    std::string many = "p f2 w3840 h1920 v360 n\"TIFF_m\"\n";
    for (int k = 0; k < 25; ++k) many += "i w10 h10 f0 v100 n\"m" + std::to_string(k) + ".jpg\"\n";
    p.loadProject(dir.write("many.pto", many));
    ASSERT_EQ(RigSettings::capture(p).write(path), "");
    p.loadProject(rig(dir, {"cam0.jpg", "cam2.jpg", "cam3b.jpg"}));
    EXPECT_TRUE(restoreSettings(p, path).message().endsWith(", and 18 more"));
}

// An unusable file is refused whole, with the file and the problem named.
TEST(RigSettings, BadFilesChangeNothing) {
    ScratchDir dir;
    Project p;
    p.loadProject(rig(dir, {"cam0.jpg", "cam1.jpg"}));
    const QString path = QString::fromStdString(dir.file("rig.orvik.json"));
    ASSERT_EQ(RigSettings::capture(p).write(path), "");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString good = QString::fromUtf8(file.readAll());
    file.close();
    p.blendValue = 5;
    p.cameras[1].dirL = 6;
    const RigSettings before = RigSettings::capture(p);

    const std::pair<std::pair<QString, QString>, const char*> cases[] = {
        {{"{", "{ nope"}, "not valid JSON"},
        {{good, "[1]"}, "not a settings object"},
        {{"\"formatVersion\": 1", "\"formatVersion\": 2"}, "written by a newer program (format 2"},
        {{"\"blendValue\": 0", "\"blendValue\": 70000"},
         "'blendValue' must be a whole number from 0 to 60000 (found 70000)"},
        {{"\"cutValue\": 0", "\"cutValue\": 0.5"}, "'cutValue' must be a whole number"},
        {{"\"autoMode\": false,", ""}, "'autoMode' is missing"},
        {{"\"autoMode\": false,", "\"autoMode\": false, \"seams\": \"edges\","},
         "'seams' must be \"middle\" or \"content\" (found \"edges\")"},
        {{"\"alpha\": 1", "\"alpha\": 1.5"}, "'cameras[0].alpha' must be a number from 0 to 1"},
        {{"\"dirR\": 0", "\"dirR\": -1"}, "'cameras[0].dirR' must be a whole number"},
        {{"\"hidden\": false", "\"hidden\": 0"}, "'cameras[0].hidden' must be true or false"},
        {{"\"index\": 1", "\"index\": 0"}, "'cameras[1].index' repeats camera 0"},
        {{"\"highlighted\": false", "\"highlighted\": true"}, "more than one camera"},
        {{"        0\n    ]", "        1\n    ]"}, "'drawOrder' must list each camera index"},
        {{"        0\n    ]", "        1e300\n    ]"}, "'drawOrder' must list each camera index"},
        // A value of megabytes is quoted shortened.
        {{"\"dirR\": 0", "\"dirR\": \"" + QString(1 << 20, 'x') + "\""}, "bytes left out ...]xxx"},
    };
    for (const auto& [edit, problem] : cases) {
        QString text = good;
        text.replace(edit.first, edit.second);
        ASSERT_NE(text, good) << problem;
        dir.write("rig.orvik.json", text.toStdString());
        const RigSettingsRestore r = restoreSettings(p, path);
        EXPECT_TRUE(r.error.startsWith("settings file " + path + ": ")) << r.error.toStdString();
        EXPECT_TRUE(r.error.contains(problem)) << r.error.toStdString();
        EXPECT_EQ(RigSettings::capture(p), before) << problem;
    }
    // Neither a folder nor a pipe is read (a pipe would block the load), nor
    // anything the size of no settings file.
    QFile::remove(path);
    ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly) && QFile(path).resize(17 << 20));
    EXPECT_TRUE(restoreSettings(p, path).error.contains("is larger than 16 MB"));
    QFile::remove(path);
    ASSERT_EQ(mkfifo(path.toLocal8Bit().constData(), 0600), 0);
    EXPECT_TRUE(restoreSettings(p, path).error.contains("not a regular file"));
    QFile::remove(path);
    QDir().mkdir(path);
    EXPECT_TRUE(restoreSettings(p, path).error.startsWith("cannot read settings file " + path));
    EXPECT_EQ(RigSettings::capture(p), before);
}
