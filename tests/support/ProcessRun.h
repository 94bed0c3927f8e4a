// Test-only: runs a built program as a real process, and tells whether a
// process has ended (as every remapper of a run must have when the run ends).
#pragma once

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QThread>

struct ProcessRun {
    int exitCode = -1;  // -1: did not end within five minutes, -2: crashed
    QString out, err;
};

inline ProcessRun runProgram(
    const QString& program, const QStringList& args, const QString& cwd = QString(),
    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (!cwd.isEmpty()) p.setWorkingDirectory(cwd);
    p.start(QString(ORVIK_BIN_DIR) + "/" + program, args);
    ProcessRun r;
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

// Whether process `pid` is gone (a zombie has ended too) within three seconds:
// signalled processes end asynchronously.
inline bool processEnded(const QString& pid) {
    for (int wait = 0; wait < 30; ++wait, QThread::msleep(100)) {
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ")) return true;
    }
    return false;
}
