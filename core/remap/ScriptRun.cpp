#include "remap/ScriptRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include "file/InputFile.h"
#include "project/LoadReport.h"
#include "remap/RemapScript.h"
#include "remap/RunSignals.h"
#include "remap/WorkFolder.h"

#ifndef Q_OS_WIN
#include <signal.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

// The script and every remapper it starts share one process group, so the
// whole run can be ended at once; the child also ends when the tool dies.
class RemapperProcess : public QProcess {
protected:
    void setupChildProcess() override {
#ifndef Q_OS_WIN
        setpgid(0, 0);
#endif
#ifdef Q_OS_LINUX
        prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    }
};

// Ends the script and every remapper it started.
void endRun(QProcess& process) {
#ifndef Q_OS_WIN
    const pid_t group = static_cast<pid_t>(process.processId());
    if (group > 0) kill(-group, SIGTERM);
    if (!process.waitForFinished(3000) && group > 0) kill(-group, SIGKILL);
    process.waitForFinished(-1);
    // Members that outlived the script (none normally) go too.
    if (group > 0) kill(-group, SIGKILL);
#else
    // cmd.exe's children are not ended with it; the remapper's own run is short.
    process.kill();
    process.waitForFinished(-1);
#endif
}

void report(const RemapControl& control, int done, int total) {
    if (control.remapProgress) control.remapProgress(done, total);
}

int camerasRemapped(const QString& workFolder, int count) {
    int done = 0;
    for (int i = 0; i < count; ++i) {
        bool all = true;
        for (const QString& f : cameraOutputs(workFolder, i)) all = all && QFileInfo::exists(f);
        if (all) ++done;
    }
    return done;
}

}  // namespace

QString runRemapScript(const Project& project, const RemapControl& control, const QString& script,
                       const QString& remapper, int count, int& stoppedAt) {
    stoppedAt = -1;
    RemapperProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
#ifdef Q_OS_WIN
    const QString interpreter = "cmd.exe";
    const QStringList arguments = {"/c", QDir::toNativeSeparators(script)};
#else
    const QString interpreter = "/bin/sh";
    const QStringList arguments = {script};
#endif
    process.start(interpreter, arguments, QIODevice::ReadWrite);
    if (!process.waitForStarted(-1))
        return QString("remapper %1 could not be started (%2 %3): %4")
            .arg(remapper, interpreter, script, process.errorString());
    RunSignalGuard::setActiveGroup(process.processId());
    QElapsedTimer clock;
    clock.start();
    QString why;
    // Only the tail is kept: enough to say why a camera failed.
    QByteArray tail;
    report(control, 0, count);
    while (process.state() != QProcess::NotRunning) {
        const bool finished = process.waitForFinished(100);
        tail += process.readAll();
        if (tail.size() > 4096) tail = tail.right(4096);
        if (finished) break;
        report(control, camerasRemapped(project.tiffPath, count), count);
        if (RunSignalGuard::interruptedBy() != 0)
            why = QString("remapper run interrupted by signal %1")
                      .arg(RunSignalGuard::interruptedBy());
        if (control.timeoutSeconds > 0 && clock.elapsed() > 1000 * qint64(control.timeoutSeconds))
            why = QString("remapper %1 did not finish within %2 seconds and was stopped")
                      .arg(remapper)
                      .arg(control.timeoutSeconds);
        if (control.cancelled && control.cancelled()) why = QString("remapper run cancelled");
        if (!why.isEmpty()) {
            endRun(process);
            break;
        }
    }
    RunSignalGuard::setActiveGroup(0);
    if (why.isEmpty() && RunSignalGuard::interruptedBy() != 0)
        why = QString("remapper run interrupted by signal %1").arg(RunSignalGuard::interruptedBy());
    if (!why.isEmpty()) {
        tail += process.readAll();
        // The script goes through the cameras in order; without its word,
        // the first camera whose files are missing is the one it was on.
        stoppedAt = announcedCamera(tail);
        for (int i = 0; i < count && stoppedAt < 0; ++i)
            for (const QString& f : cameraOutputs(project.tiffPath, i))
                if (!QFileInfo::exists(f)) stoppedAt = i;
        if (stoppedAt < 0) stoppedAt = 0;
        if (stoppedAt < count)
            why += QString(" (at camera %1, %2)")
                       .arg(stoppedAt)
                       .arg(QString::fromLocal8Bit(
                           shortenedName(
                               sourceFileName(
                                   project.cameras[static_cast<size_t>(stoppedAt)].sourcePath))
                               .c_str()));
        return why;
    }
    tail += process.readAll();
    if (process.exitStatus() == QProcess::CrashExit)
        return QString("remapper %1 crashed: %2").arg(remapper, process.errorString());
    if (process.exitCode() != 0) {
        QString message =
            QString("remapper %1 failed with exit code %2").arg(remapper).arg(process.exitCode());
        const QString reason = lastRemapperLine(tail);
        if (!reason.isEmpty()) message += ": " + reason;
        return message;
    }
    return QString();
}
