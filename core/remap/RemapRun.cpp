#include "remap/RemapRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegExp>
#include <QStringList>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "file/AtomicReplace.h"
#include "file/InputFile.h"
#include "file/RemapOutputNames.h"
#include "project/LoadReport.h"
#include "project/Project.h"
#include "remap/CameraInputs.h"

#ifndef Q_OS_WIN
#include <signal.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>

#include "file/Local8Bit.h"
#include "project/Reporter.h"
#endif

namespace {

// Marks a work folder this tool created, so that one left by a killed run is
// recognised and removed by the next; a folder without it is the operator's.
const char kMarker[] = ".orvikjoint-work";

// The remapper's partial outputs ("pic0003.tif.part1234") of an interrupted run.
const QString kPartialPattern =
    QString("%1*.tif%2*")
        .arg(QString::fromStdString(remapOutputStem(kRemapOutputPrefix)), AtomicReplace::kMarker);

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

#ifndef Q_OS_WIN
// The running remapper's process group and the signal that interrupted the
// run, shared with the signal handler.
std::atomic<pid_t> activeGroup{0};
volatile sig_atomic_t interruptedBy = 0;

void endRunOnSignal(int sig) {
    interruptedBy = sig;
    const pid_t group = activeGroup.load();
    if (group > 0) kill(-group, SIGTERM);
}

// SIGINT and SIGTERM end the remapper with the tool while a run is active;
// the run then cleans up and the signal takes its normal course.
class SignalGuard {
public:
    SignalGuard() {
        interruptedBy = 0;
        struct sigaction action {};
        action.sa_handler = endRunOnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~SignalGuard() { restore(); }
    // After the clean-up: the interrupting signal, delivered as if this guard
    // had not been there.
    void deliverPending() {
        restore();
        if (interruptedBy != 0) raise(interruptedBy);
    }

private:
    void restore() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};
#endif

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

const QString kRemapOptions =
    QString("-c -z LZW -r ldr -m TIFF_m -o \"%1\" -i").arg(kRemapOutputPrefix);

// The script announces each camera before its remapper starts, so that a run
// ended by a time limit can name the camera it was stuck on.
const char kCameraMark[] = "orvikjoint: remapping camera ";

// The three files the remapper leaves for camera i (names as loadProject sets them).
QStringList cameraOutputs(const QString& workFolder, int i) {
    QStringList paths;
    for (RemapOutput which : {RemapOutput::Layer, RemapOutput::MapX, RemapOutput::MapY})
        paths << workFolder + "/" +
                     QString::fromStdString(remapOutputName(kRemapOutputPrefix, i, which));
    return paths;
}

#ifndef Q_OS_WIN
// Single quotes keep blanks, $, ` and \ literal; a quote itself is closed,
// escaped and reopened.
QString shellQuote(const QString& text) {
    QString quoted = text;
    quoted.replace("'", "'\\''");
    return "'" + quoted + "'";
}
#endif

void report(const RemapControl& control, int done, int total, const QString& stage) {
    if (control.progress) control.progress(done, total, stage);
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

QStringList outputLines(const QByteArray& output) {
    return QString::fromLocal8Bit(output).split(QRegExp("[\r\n]"), Qt::SkipEmptyParts);
}

// The last non-empty line the remapper printed, for the failure message (the
// script's own announcements aside), shortened: it may quote a file name.
QString lastLine(const QByteArray& output) {
    QStringList lines = outputLines(output);
    while (!lines.isEmpty() && lines.last().startsWith(kCameraMark)) lines.removeLast();
    if (lines.isEmpty()) return QString();
    return QString::fromLocal8Bit(
        shortenedName(toLocal8BitString(lines.last().trimmed()), 1000).c_str());
}

// The camera the script announced last, -1 when it announced none.
int announcedCamera(const QByteArray& output) {
    const QStringList lines = outputLines(output);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (!it->startsWith(kCameraMark)) continue;
        bool ok = false;
        const int camera = it->mid(static_cast<int>(strlen(kCameraMark))).trimmed().toInt(&ok);
        return ok ? camera : -1;
    }
    return -1;
}

// Runs the script in the work folder and waits for it, reporting progress in short
// steps, ending it on a time limit, a cancel request or a signal. Returns an
// empty string or why the run failed; `stoppedAt` is the camera being remapped
// when the run was ended, -1 when it ran to its end.
QString runScript(const Project& project, const RemapControl& control, const QString& script,
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
#ifndef Q_OS_WIN
    activeGroup = static_cast<pid_t>(process.processId());
#endif
    QElapsedTimer clock;
    clock.start();
    QString why;
    // Only the tail is kept: enough to say why a camera failed.
    QByteArray tail;
    const int total = 2 * count;
    report(control, 0, total, QString::fromUtf8("正在生成映射"));
    while (process.state() != QProcess::NotRunning) {
        const bool finished = process.waitForFinished(100);
        tail += process.readAll();
        if (tail.size() > 4096) tail = tail.right(4096);
        if (finished) break;
        report(control, camerasRemapped(project.tiffPath, count), total,
               QString::fromUtf8("正在生成映射"));
#ifndef Q_OS_WIN
        if (interruptedBy != 0)
            why = QString("remapper run interrupted by signal %1").arg(interruptedBy);
#endif
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
#ifndef Q_OS_WIN
    activeGroup = 0;
    if (why.isEmpty() && interruptedBy != 0)
        why = QString("remapper run interrupted by signal %1").arg(interruptedBy);
#endif
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
        const QString reason = lastLine(tail);
        if (!reason.isEmpty()) message += ": " + reason;
        return message;
    }
    return QString();
}

}  // namespace

QString remapperProgram() {
#ifdef Q_OS_WIN
    return QCoreApplication::applicationDirPath() + "\\nona2.exe";
#else
    return QCoreApplication::applicationDirPath() + "/nona2";
#endif
}

QString writeRemapBatch(const QString& workFolder, int count, const QString& ptoPath,
                        const QString& remapper) {
    if (!QDir(workFolder).exists()) QDir().mkdir(workFolder);
#ifdef Q_OS_WIN
    const QString path = QString("%1/nona.bat").arg(workFolder);
    QString text = QString("set var=\"%1\"\r\n").arg(remapper);
    for (int i = 0; i < count; ++i)
        text += QString("%var% %1 %2 \"%3\"\r\n").arg(kRemapOptions).arg(i).arg(ptoPath);
#else
    const QString path = QString("%1/nona.sh").arg(workFolder);
    // Every camera is tried, as a batch file would; the script fails if any did.
    QString text = QString("var=%1\nstatus=0\n").arg(shellQuote(remapper));
    for (int i = 0; i < count; ++i)
        text += QString("echo '%1%2'\n\"$var\" %3 %2 %4 || status=$?\n")
                    .arg(kCameraMark)
                    .arg(i)
                    .arg(kRemapOptions)
                    .arg(shellQuote(ptoPath));
    text += "exit $status\n";
#endif
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return QString();
    const QByteArray bytes = text.toLocal8Bit();
    if (file.write(bytes) != bytes.size()) return QString();
    file.close();
    return path;
}

QString writeRemapBatch(const QString& workFolder, int count, const QString& ptoPath) {
    return writeRemapBatch(workFolder, count, ptoPath, remapperProgram());
}

bool removeFolderRecursive(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists()) return true;
    const QFileInfoList entries = dir.entryInfoList(
        QDir::Files | QDir::AllDirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDir::DirsFirst);
    for (const QFileInfo& entry : entries) {
        // A link to a folder is removed itself; its target is not ours to empty.
        const bool ok = entry.isDir() && !entry.isSymLink()
                            ? removeFolderRecursive(entry.absoluteFilePath())
                            : QFile::remove(entry.absoluteFilePath());
        if (!ok) return false;
    }
    return dir.rmdir(dir.absolutePath());
}

QString runRemapperWith(Project& project, const QString& remapper, const RemapControl& control) {
    const QString work = project.tiffPath;
    const int count = static_cast<int>(project.cameras.size());
    QString error;

#ifndef Q_OS_WIN
    SignalGuard guard;
#endif
    // A work folder a killed run of ours left behind carries the marker and goes.
    if (QFileInfo::exists(work + "/" + kMarker)) removeFolderRecursive(work);
    // A tiff folder that was already there is not ours: only what this run writes
    // is removed from it afterwards.
    const bool existed = QDir(work).exists();
    if (!existed) {
        std::error_code ec;
        if (!std::filesystem::create_directory(toLocal8BitString(work), ec))
            error = QString("work folder %1 cannot be created: %2")
                        .arg(work, QString::fromLocal8Bit(ec ? ec.message().c_str() : "it exists"));
    }
    if (!existed && error.isEmpty()) {
        QFile marker(work + "/" + kMarker);
        if (!marker.open(QIODevice::WriteOnly))
            error = QString("work folder %1 cannot be marked").arg(work);
    }
    // Outputs left from an interrupted run would otherwise pass for this run's.
    if (existed) {
        for (int i = 0; i < count; ++i)
            for (const QString& f : cameraOutputs(work, i)) QFile::remove(f);
        for (const QString& f : QDir(work).entryList({kPartialPattern}, QDir::Files))
            QFile::remove(work + "/" + f);
    }

    QString script;
    int stoppedAt = -1;
    bool ran = false;
    if (error.isEmpty()) {
        // The remapper runs inside the work folder, where a project named
        // relative to the caller's folder would not be found.
        const QString pto = QFileInfo(project.ptoFilePath).absoluteFilePath();
        script = writeRemapBatch(work, count, pto, remapper);
        if (script.isEmpty()) error = QString("remapper script in %1 cannot be written").arg(work);
    }
    if (error.isEmpty()) {
        const QFileInfo program(remapper);
        if (!program.exists())
            error = QString("remapper %1 not found").arg(remapper);
        else if (!program.isExecutable())
            error = QString("remapper %1 is not executable").arg(remapper);
    }
    if (error.isEmpty()) {
        const QString previous = QDir::currentPath();
        if (!QDir::setCurrent(work)) {
            error = QString("work folder %1 cannot be entered").arg(work);
        } else {
            error = runScript(project, control, script, remapper, count, stoppedAt);
            ran = true;
            QDir::setCurrent(previous);
        }
    }
    project.lastRemapperError = error;
    if (!error.isEmpty()) reportProblemf("%s\r\n", toLocal8BitString(error).c_str());

    reportf("camara size:%d\r\n", count);
    reportFlush();
    // A remapper that never started or was ended has left nothing worth
    // reading: its one message says why, not a line per missing file.
    const bool analyse = ran && stoppedAt < 0;
    project.lastRemapStoppedAt = stoppedAt;
    project.lastRemapAnalysed = analyse;
    const QString analysing = QString::fromUtf8("正在分析相机");
    for (int i = 0; i < count && analyse; ++i) {
        Camara& cam = project.cameras[static_cast<size_t>(i)];
        loadCameraInputs(cam, i);
        // A layer reaching outside the panorama would be written with wrapped
        // positions; such a camera is refused, and the run with it.
        const std::string outside =
            layerOutsidePanorama(cam, project.panoWidth, project.panoHeight);
        if (!outside.empty()) {
            reportProblemf("%s\r\n", outside.c_str());
            if (error.isEmpty()) error = QString::fromLocal8Bit(outside.c_str());
        }
        cam.refreshView(project.blendValue, project.cutValue);
        report(control, count + i + 1, 2 * count, analysing);
    }
    // An ended run leaves no camera half loaded from an earlier project.
    if (!analyse)
        for (int i = 0; i < count; ++i)
            dropCameraInputs(project.cameras[static_cast<size_t>(i)], i);
    project.lastRemapperError = error;

    bool cleaned = true;
    if (!existed) {
        cleaned = removeFolderRecursive(work);
    } else {
        QStringList ours;
        if (!script.isEmpty()) ours << script;
        for (int i = 0; i < count; ++i) ours << cameraOutputs(work, i);
        for (const QString& f : QDir(work).entryList({kPartialPattern}, QDir::Files))
            ours << work + "/" + f;
        for (const QString& f : ours)
            if (QFileInfo::exists(f) && !QFile::remove(f)) cleaned = false;
    }
    if (!cleaned)
        reportProblemf("work folder %s not fully removed\r\n", toLocal8BitString(work).c_str());
    reportFlush();
#ifndef Q_OS_WIN
    guard.deliverPending();
#endif
    return error;
}

void runRemapper(Project& project, const RemapControl& control) {
    runRemapperWith(project, remapperProgram(), control);
}
