// Starts the real executable: echo of every argument, load only with exactly one.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "TempDir.h"

namespace {

struct StartRun {
    int exitCode = -1;
    QString out;
};

StartRun start(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVIKJOINT_EXIT_AFTER_START", "1");
    p.setProcessEnvironment(env);
    p.start(QString(ORVIK_BIN_DIR) + "/orvikjoint", args);
    StartRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    return r;
}

}  // namespace

TEST(Startup, EchoesArgumentsAndLoadsOnlyWithExactlyOne) {
    ScratchDir dir;
    const std::string pto = dir.write("rig.pto", "p w200 h100\n");
    const QString exe = QString(ORVIK_BIN_DIR) + "/orvikjoint";

    StartRun none = start({});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, exe + "\r\n");

    StartRun one = start({QString::fromStdString(pto)});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_TRUE(one.out.startsWith(exe + "\r\n" + QString::fromStdString(pto) + "\r\n"))
        << one.out.toStdString();
    EXPECT_TRUE(one.out.contains("ptoFilePath:" + QString::fromStdString(pto) + " \r\n"))
        << one.out.toStdString();

    StartRun two = start({QString::fromStdString(pto), "second"});
    EXPECT_EQ(two.exitCode, 0);
    EXPECT_EQ(two.out, exe + "\r\n" + QString::fromStdString(pto) + "\r\nsecond\r\n");
}
