#include "remap/RemapRun.h"

#include <QDir>
#include <QFileInfo>

#include "file/Local8Bit.h"
#include "remap/CameraAnalysis.h"
#include "remap/CameraInputs.h"
#include "remap/RemapScript.h"
#include "remap/RunSignals.h"
#include "remap/ScriptRun.h"
#include "remap/WorkFolder.h"
#include "system/Reporter.h"

RemapResult runRemapperWith(Project& project, const QString& remapper,
                            const RemapControl& control) {
    const QString work = project.tiffPath;
    const int count = static_cast<int>(project.cameras.size());

    RunSignalGuard guard;
    RemapWorkFolder folder(work, count);
    QString error = folder.prepare();

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
            error = runRemapScript(project, control, script, remapper, count, stoppedAt);
            ran = true;
            QDir::setCurrent(previous);
        }
    }
    if (!error.isEmpty()) reportProblemf("%s\r\n", toLocal8BitString(error).c_str());

    reportf("camara size:%d\r\n", count);
    reportFlush();
    // A remapper that never started or was ended has left nothing worth
    // reading: its one message says why, not a line per missing file.
    const bool analyse = ran && stoppedAt < 0;
    if (analyse) {
        const QString refused = analyseCameras(project, control, count);
        if (error.isEmpty()) error = refused;
    } else {
        // An ended run leaves no camera half loaded from an earlier project.
        for (int i = 0; i < count; ++i)
            dropCameraInputs(project.cameras[static_cast<size_t>(i)], i);
    }

    if (!folder.cleanUp(script))
        reportProblemf("work folder %s not fully removed\r\n", toLocal8BitString(work).c_str());
    reportFlush();
    guard.deliverPending();
    RemapResult result;
    result.status = !analyse          ? RemapResult::Status::NotRun
                    : error.isEmpty() ? RemapResult::Status::Done
                                      : RemapResult::Status::Failed;
    result.message = error;
    result.stoppedAt = stoppedAt;
    return result;
}

RemapResult runRemapper(Project& project, const RemapControl& control) {
    return runRemapperWith(project, remapperProgram(), control);
}
