// Starts the real executable: echo of every argument, load only with exactly one.
#include <gtest/gtest.h>

#include "ProcessRun.h"
#include "TempDir.h"

namespace {

ProcessRun start(const QStringList& args) {
    static ScratchDir config;  // the user's settings stay untouched
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVIKJOINT_EXIT_AFTER_START", "1");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(config.path()));
    return runProgram("orvikjoint", args, QString(), env);
}

}  // namespace

TEST(Startup, EchoesArgumentsAndLoadsOnlyWithExactlyOne) {
    ScratchDir dir;
    const std::string pto = dir.write("rig.pto", "p w200 h100\n");
    const QString exe = QString(ORVIK_BIN_DIR) + "/orvikjoint";

    ProcessRun none = start({});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, exe + "\r\n");

    ProcessRun one = start({QString::fromStdString(pto)});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_TRUE(one.out.startsWith(exe + "\r\n" + QString::fromStdString(pto) + "\r\n"))
        << one.out.toStdString();
    EXPECT_TRUE(one.out.contains("ptoFilePath:" + QString::fromStdString(pto) + " \r\n"))
        << one.out.toStdString();

    // The language option is neither echoed nor counted.
    ProcessRun english = start({"--lang", "en", QString::fromStdString(pto)});
    EXPECT_EQ(english.exitCode, 0);
    EXPECT_TRUE(english.out.startsWith(exe + "\r\n" + QString::fromStdString(pto) + "\r\n"))
        << english.out.toStdString();
    EXPECT_TRUE(english.out.contains("ptoFilePath:")) << english.out.toStdString();

    ProcessRun two = start({QString::fromStdString(pto), "second"});
    EXPECT_EQ(two.exitCode, 0);
    EXPECT_EQ(two.out, exe + "\r\n" + QString::fromStdString(pto) + "\r\nsecond\r\n");
}

// Help and version answer before the window exists: no display is needed,
// nothing is echoed, and "--help" is never opened as a project.
TEST(Startup, HelpAndVersionNeedNoDisplay) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(var);
    for (const QStringList& args : {QStringList{"--help"}, QStringList{"--lang", "en", "-h"}}) {
        const ProcessRun help = runProgram("orvikjoint", args, QString(), env);
        EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
        EXPECT_TRUE(help.out.startsWith("Usage: orvikjoint [--lang en|zh] [PROJECT.pto]\n"))
            << help.out.toStdString();
    }
    const ProcessRun version = runProgram("orvikjoint", {"--version", "rig.pto"}, QString(), env);
    EXPECT_EQ(version.exitCode, 0) << version.err.toStdString();
    EXPECT_EQ(version.out, QString("orvikjoint " ORVIK_VERSION "\n"));
}
