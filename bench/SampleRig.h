// Shared by the benchmarks: a sample rig copied to a scratch folder and loaded
// through nona2, the way the tool loads it.
#pragma once

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "project/Project.h"
#include "remap/RemapRun.h"

namespace bench {

inline QString nona2() {
    return QString(ORVIK_BIN_DIR) + "/nona2";
}
// The samples folder: ORVIK_SAMPLES_DIR when set, else the tree's own.
inline QString samplePto(const char* name) {
    const QString dir = qEnvironmentVariableIsSet("ORVIK_SAMPLES_DIR")
                            ? qEnvironmentVariable("ORVIK_SAMPLES_DIR")
                            : QString(ORVIK_SOURCE_DIR) + "/samples";
    return QString("%1/%2/%2.pto").arg(dir, name);
}

// Why the sample cannot be benchmarked, or empty.
inline QString missing(const char* name) {
    if (!QFileInfo::exists(samplePto(name))) return "sample " + samplePto(name) + " not present";
    if (!QFileInfo(nona2()).isExecutable()) return nona2() + " not built";
    return QString();
}

inline void ensureApplication() {
    static int argc = 1;
    static char app[] = "bench";
    static char* argv[] = {app, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

// Copies the sample's folder (files only) into `dir` and returns the copied PTO.
inline QString copySample(const char* name, const QString& dir) {
    const QDir from = QFileInfo(samplePto(name)).dir();
    for (const QString& f : from.entryList(QDir::Files))
        QFile::copy(from.filePath(f), dir + "/" + f);
    return dir + "/" + QFileInfo(samplePto(name)).fileName();
}

// Sends this process's standard output to /dev/null while alive, so per-camera
// diagnostics do not flood the benchmark report.
class QuietStdout {
public:
    QuietStdout() {
        fflush(stdout);
        saved_ = dup(1);
        FILE* null = fopen("/dev/null", "w");
        if (null) {
            dup2(fileno(null), 1);
            fclose(null);
        }
    }
    ~QuietStdout() {
        fflush(stdout);
        if (saved_ >= 0) {
            dup2(saved_, 1);
            close(saved_);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved_ = -1;
};

}  // namespace bench
