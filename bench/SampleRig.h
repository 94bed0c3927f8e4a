// Shared by the benchmarks: a sample rig copied to a scratch folder and loaded
// through nona2, the way the tool loads it.
#pragma once

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "file/Local8Bit.h"
#include "project/Project.h"
#include "remap/RemapRun.h"
#include "remap/WorkFolder.h"

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

// Copies the sample into `dir` and loads it the way the tool does (remapper run,
// reading, analysis) with the given blend and crop slider values. Returns why
// it could not, or an empty string.
inline QString loadSample(Project& project, const char* name, const QString& dir, int blend,
                          int crop) {
    const QString why = missing(name);
    if (!why.isEmpty()) return why;
    ensureApplication();
    const QString pto = copySample(name, dir);
    QuietStdout quiet;
    project.blendValue = blend;
    project.cutValue = crop;
    project.loadProject(toLocal8BitString(pto));
    const QString error = runRemapperWith(project, nona2()).message;
    if (!error.isEmpty()) return error;
    project.loaded = true;
    return project.cameras.empty() ? "no camera loaded" : QString();
}

// Peak resident memory of this process: VmHWM, which resetPeakMemory() sets
// back to the current resident size (Linux; 0 where it cannot be read).
inline double peakMemoryMB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}
inline double residentMemoryMB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}
inline void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Writes `bytes` bytes in 1 MB pieces to `path`, the plain way a program puts
// that much data into a file: no sync, no rename.
inline void writePlainBytes(const QString& path, int64_t bytes) {
    static const std::vector<char> chunk(size_t(1) << 20, 'x');
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (int64_t left = bytes; left > 0;) {
        const qint64 n = static_cast<qint64>(std::min<int64_t>(left, chunk.size()));
        f.write(chunk.data(), n);
        left -= n;
    }
    f.close();
}

inline double millisecondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace bench
