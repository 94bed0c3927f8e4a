// Loading a sample rig (remapper run, reading, analysis, clean-up) against the
// same four nona2 runs alone. Goal on samples/ring4: at most 1.3 x.
#include <benchmark/benchmark.h>

#include <QProcess>
#include <algorithm>
#include <chrono>
#include <vector>

#include "SampleRig.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// The remapper alone: the same command lines, one after the other, in a folder.
double nona2Alone(const QString& pto, int count, const QString& work) {
    QDir().mkpath(work);
    const auto t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
        QProcess p;
        p.setWorkingDirectory(work);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(bench::nona2(), {"-c", "-z", "LZW", "-r", "ldr", "-m", "TIFF_m", "-o", "pic", "-i",
                                 QString::number(i), pto});
        p.waitForFinished(-1);
    }
    const auto t1 = Clock::now();
    removeFolderRecursive(work);
    return seconds(t0, t1);
}

void BM_LoadVsNona2(benchmark::State& state, const char* name) {
    const QString why = bench::missing(name);
    if (!why.isEmpty()) {
        state.SkipWithError(("skipped: " + why).toStdString().c_str());
        return;
    }
    bench::ensureApplication();
    QTemporaryDir dir;
    const QString pto = bench::copySample(name, dir.path());
    Project project;
    double bestLoad = 1e9, bestAlone = 1e9;
    std::vector<double> ratios;
    for (auto _ : state) {
        // Alternate so both see the same machine load.
        {
            bench::QuietStdout quiet;
            project.loadProject(pto.toStdString());
        }
        const int count = static_cast<int>(project.cameras.size());
        const double alone = nona2Alone(pto, count, dir.path() + "/alone");
        double load = 0;
        {
            bench::QuietStdout quiet;
            const auto t0 = Clock::now();
            project.loadProject(pto.toStdString());
            runRemapperWith(project, bench::nona2());
            load = seconds(t0, Clock::now());
        }
        bestLoad = std::min(bestLoad, load);
        bestAlone = std::min(bestAlone, alone);
        ratios.push_back(load / alone);
        state.SetIterationTime(load);
    }
    state.counters["load_s"] = bestLoad;
    state.counters["nona2_s"] = bestAlone;
    // Each round's pair ran under the same machine load: the median of their
    // ratios is the goal's figure, the best times' ratio a second opinion.
    std::sort(ratios.begin(), ratios.end());
    state.counters["ratio"] = ratios[ratios.size() / 2];
    state.counters["best_ratio"] = bestLoad / bestAlone;
}

}  // namespace

BENCHMARK_CAPTURE(BM_LoadVsNona2, ring4, "ring4")
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(5);

BENCHMARK_MAIN();
