// One blend-slider step on a loaded sample rig: refreshView of every camera,
// against a plain copy of the same pixel buffers. Goal on samples/ring4: at most
// 16 ms median (a 60 Hz frame) and at most 3 x the copy. Beside it, the
// coverage check after a step of either slider, against the refresh.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "SampleRig.h"
#include "export/PanoramaCoverage.h"

namespace {

Project& loadedRig(const char* name) {
    static Project project;
    static std::string loadedName;
    static QTemporaryDir dir;
    if (loadedName != name) {
        bench::ensureApplication();
        const QString pto = bench::copySample(name, dir.path());
        bench::QuietStdout quiet;
        project.loadProject(pto.toStdString());
        runRemapperWith(project, bench::nona2());
        loadedName = name;
    }
    return project;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void BM_BlendStep(benchmark::State& state, const char* name) {
    const QString why = bench::missing(name);
    if (!why.isEmpty()) {
        state.SkipWithError(("skipped: " + why).toStdString().c_str());
        return;
    }
    Project& project = loadedRig(name);
    std::vector<cv::Mat> copies(project.cameras.size());
    std::vector<double> refreshMs, copyMs;
    int step = 0;
    using Clock = std::chrono::steady_clock;
    bench::QuietStdout quiet;
    for (auto _ : state) {
        // Alternate between two neighbouring slider values, as dragging does.
        project.blendValue = 30000 + (step++ & 1) * 600;
        const auto t0 = Clock::now();
        for (Camara& cam : project.cameras) cam.refreshView(project.blendValue, project.cutValue);
        const auto t1 = Clock::now();
        for (size_t i = 0; i < copies.size(); ++i) project.cameras[i].image.copyTo(copies[i]);
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(copies.data());
        const double r = std::chrono::duration<double, std::milli>(t1 - t0).count();
        refreshMs.push_back(r);
        copyMs.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
        state.SetIterationTime(r / 1000.0);
    }
    const double mr = median(refreshMs), mc = median(copyMs);
    state.counters["refresh_median_ms"] = mr;
    state.counters["copy_median_ms"] = mc;
    state.counters["ratio"] = mc > 0 ? mr / mc : 0.0;
    size_t bytes = 0;
    for (const Camara& cam : project.cameras) bytes += cam.image.total() * cam.image.elemSize();
    state.counters["megabytes"] = static_cast<double>(bytes) / 1e6;
}

// The coverage check the window runs after every step of the blend (range 0)
// or crop (range 1) slider, against the refresh before it and a check from
// nothing (what the cameras see worked out, then one whole pass); medians of
// each in one run.
void BM_CoverageCheck(benchmark::State& state) {
    const QString why = bench::missing("ring4");
    if (!why.isEmpty()) {
        state.SkipWithError(("skipped: " + why).toStdString().c_str());
        return;
    }
    Project& project = loadedRig("ring4");
    project.blendValue = 30000;
    project.cutValue = 21000;
    for (Camara& cam : project.cameras) cam.refreshView(project.blendValue, project.cutValue);
    CoverageCheck check;
    check.check(project);
    std::vector<double> refreshMs, checkMs, wholeMs;
    int step = 0;
    using Clock = std::chrono::steady_clock;
    bench::QuietStdout quiet;
    for (auto _ : state) {
        (state.range(0) ? project.cutValue : project.blendValue) =
            (state.range(0) ? 21000 : 30000) + (step++ & 1) * 600;
        const auto t0 = Clock::now();
        for (Camara& cam : project.cameras) cam.refreshView(project.blendValue, project.cutValue);
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(check.check(project).uncovered);
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(measureCoverage(project).uncovered);
        const auto t3 = Clock::now();
        refreshMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        checkMs.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
        wholeMs.push_back(std::chrono::duration<double, std::milli>(t3 - t2).count());
        state.SetIterationTime(checkMs.back() / 1000.0);
    }
    state.counters["refresh_median_ms"] = median(refreshMs);
    state.counters["check_median_ms"] = median(checkMs);
    state.counters["fresh_check_median_ms"] = median(wholeMs);
}

}  // namespace

// A check that finds nothing to look at takes microseconds: a fixed count of
// steps, not a time to fill.
BENCHMARK(BM_CoverageCheck)
    ->ArgName("crop")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);
BENCHMARK_CAPTURE(BM_BlendStep, ring4, "ring4")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(BM_BlendStep, fisheye3, "fisheye3")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

BENCHMARK_MAIN();
