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

// 0: Camera_2K_Project.tab, 1: Camera_4K_Project.tab, 2: QuickWeave_Projcet.tab
BENCHMARK(BM_ReadTable)->DenseRange(0, 2)->ArgName("format")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Coverage)->DenseRange(0, 2)->ArgName("format")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render)->DenseRange(0, 2)->ArgName("format")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
