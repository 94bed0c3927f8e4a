// The device view of samples/ring4 (3840 x 1920, four cameras): reading and
// checking each table, measuring its coverage, and rendering it from the
// camera images. The goal for the render of a 4-camera 3840 x 1920 table is
// about a second on two cores.
#include <benchmark/benchmark.h>

#include <opencv2/imgcodecs.hpp>

#include "ExportBench.h"
#include "export/Camera2KExport.h"
#include "export/Camera4KExport.h"
#include "export/QuickWeaveExport.h"
#include "tables/ProjectDeviceView.h"
#include "tables/TableFile.h"

namespace {

using Export = ExportResult (*)(const Project&);

// The table written once per format, and the rig's camera images.
struct Written {
    std::string path, error;
    std::vector<cv::Mat> frames;
};

Written& written(int format) {
    static Written tables[3];
    Written& w = tables[format];
    if (!w.path.empty() || !w.error.empty()) return w;
    bench::LoadedRing4& rig = bench::ring4();
    if (!rig.error.isEmpty()) {
        w.error = "skipped: " + rig.error.toStdString();
        return w;
    }
    const Export run[] = {&exportCamera2K, &exportCamera4K, &exportQuickWeave};
    bench::QuietStdout quiet;
    const ExportResult r = run[format](rig.project);
    if (!r.written()) {
        w.error = r.message;
        return w;
    }
    w.path = r.path;
    for (const Camara& cam : rig.project.cameras)
        w.frames.push_back(cv::imread(cam.sourcePath, cv::IMREAD_COLOR));
    return w;
}

void BM_ReadTable(benchmark::State& state) {
    const Written& w = written(static_cast<int>(state.range(0)));
    if (!w.error.empty()) return state.SkipWithError(w.error.c_str());
    for (auto _ : state) benchmark::DoNotOptimize(readTableFile(w.path));
}

void BM_Coverage(benchmark::State& state) {
    const Written& w = written(static_cast<int>(state.range(0)));
    if (!w.error.empty()) return state.SkipWithError(w.error.c_str());
    const TableFile t = readTableFile(w.path);
    for (auto _ : state) benchmark::DoNotOptimize(t.coverage());
}

void BM_Render(benchmark::State& state) {
    const Written& w = written(static_cast<int>(state.range(0)));
    if (!w.error.empty()) return state.SkipWithError(w.error.c_str());
    const TableFile t = readTableFile(w.path);
    for (auto _ : state) benchmark::DoNotOptimize(t.render(w.frames));
}

// Switching the window's device view on: the 2K table of the loaded rig built
// in memory, read back and rendered from the cameras' images. Goal: well under
// a second. cpu_ms is the CPU time of every thread, which on a busy machine
// tells more than the wall time.
void BM_ProjectDeviceView(benchmark::State& state) {
    bench::LoadedRing4& rig = bench::ring4();
    if (!rig.error.isEmpty()) return state.SkipWithError(rig.error.toUtf8().constData());
    auto cpuNow = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
               (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    };
    const double cpu0 = cpuNow();
    for (auto _ : state) {
        const ProjectDeviceView view = renderProjectDeviceView(rig.project);
        if (view.image.empty()) return state.SkipWithError(view.table.message.c_str());
    }
    state.counters["cpu_ms"] = (cpuNow() - cpu0) / static_cast<double>(state.iterations());
}

// 0: Camera_2K_Project.tab, 1: Camera_4K_Project.tab, 2: QuickWeave_Projcet.tab
BENCHMARK(BM_ReadTable)->DenseRange(0, 2)->ArgName("format")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Coverage)->DenseRange(0, 2)->ArgName("format")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)->DenseRange(0, 2)->ArgName("format")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProjectDeviceView)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
