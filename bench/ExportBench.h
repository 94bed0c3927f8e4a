// Shared by the table-export benchmarks: samples/ring4 loaded with blend and
// crop 20000 (so every camera has a two-edge boundary and writes records), and
// one benchmark shape: in every iteration the export, then a plain write of as
// many bytes into the same folder, so both see the same machine load. The
// counters carry the medians, their ratio and the export's peak memory.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QSaveFile>
#include <string>

#include "SampleRig.h"
#include "export/BlockRegions.h"
#include "export/ExportDone.h"
#include "export/WeightVolume.h"

namespace bench {

constexpr int kSampleBlend = 20000;
constexpr int kSampleCrop = 20000;

struct LoadedRing4 {
    QTemporaryDir dir;
    Project project;
    QString error;
    LoadedRing4() {
        error = loadSample(project, "ring4", dir.path(), kSampleBlend, kSampleCrop);
        setExportDoneHandler([] {});
    }
    QString folder() const { return dir.path(); }
};

inline LoadedRing4& ring4() {
    static LoadedRing4 rig;
    return rig;
}

using ExportFunction = ExportResult (*)(const Project&);

// state.range(0): 1 to export with a "pic" folder (debug images drawn and
// written), 0 without.
inline void exportVsPlainWrite(benchmark::State& state, ExportFunction run) {
    LoadedRing4& rig = ring4();
    if (!rig.error.isEmpty()) {
        state.SkipWithError(("skipped: " + rig.error).toStdString().c_str());
        return;
    }
    const QString pic = rig.folder() + "/pic";
    if (state.range(0))
        QDir().mkpath(pic);
    else
        QDir(pic).removeRecursively();

    std::vector<double> exportMs, plainMs, durableMs, cpuMs;
    // CPU time of the whole process (every thread), user and system.
    auto cpuNow = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
               (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    };
    double peakMB = 0;
    const double rigMB = residentMemoryMB();
    int64_t bytes = 0;
    for (auto _ : state) {
        resetPeakMemory();
        ExportResult r;
        auto t0 = std::chrono::steady_clock::now();
        const double cpu0 = cpuNow();
        {
            QuietStdout quiet;
            r = run(rig.project);
        }
        const double e = millisecondsSince(t0);
        cpuMs.push_back(cpuNow() - cpu0);
        peakMB = std::max(peakMB, peakMemoryMB());
        if (!r.written()) {
            state.SkipWithError(r.message.c_str());
            return;
        }
        bytes = QFileInfo(QString::fromLocal8Bit(r.path.c_str())).size();

        t0 = std::chrono::steady_clock::now();
        writePlainBytes(rig.folder() + "/plain.bin", bytes);
        const double p = millisecondsSince(t0);

        // For comparison: the same bytes put in place the way a table is, synced
        // to disk and renamed over the previous file.
        t0 = std::chrono::steady_clock::now();
        {
            static const std::vector<char> chunk(size_t(1) << 20, 'x');
            QSaveFile f(rig.folder() + "/durable.bin");
            f.open(QIODevice::WriteOnly);
            for (int64_t left = bytes; left > 0;) {
                const qint64 n = static_cast<qint64>(std::min<int64_t>(left, chunk.size()));
                f.write(chunk.data(), n);
                left -= n;
            }
            f.commit();
        }
        const double d = millisecondsSince(t0);

        exportMs.push_back(e);
        plainMs.push_back(p);
        durableMs.push_back(d);
        state.SetIterationTime(e / 1000.0);
    }
    const double e = median(exportMs), p = median(plainMs), d = median(durableMs);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["table_MB"] = static_cast<double>(bytes) / (1 << 20);
    state.counters["export_ms"] = e;
    state.counters["plain_ms"] = p;
    state.counters["durable_ms"] = d;
    state.counters["ratio"] = p > 0 ? e / p : 0;
    state.counters["ratio_durable"] = d > 0 ? e / d : 0;
    state.counters["export_cpu_ms"] = median(cpuMs);
    state.counters["rig_MB"] = rigMB;
    state.counters["peak_MB"] = peakMB;
}

}  // namespace bench
