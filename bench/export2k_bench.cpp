// The 2K table export of samples/ring4 (loaded with blend and crop 20000)
// against a plain write of the same number of bytes into the same folder, with
// and without a "pic" folder, and the parts of the export on their own.
// bench/export2k.sh runs it and prints the ratio and the peak memory.
#include "ExportBench.h"
#include "export/Camera2KExport.h"

namespace {

void BM_Export2KRing4(benchmark::State& state) {
    bench::exportVsPlainWrite(state, &exportCamera2K);
}
BENCHMARK(BM_Export2KRing4)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("pic")
    ->UseManualTime()
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);

// The parts, for finding what dominates.
void BM_WeightVolumeRing4(benchmark::State& state) {
    ExportResult stop;
    const auto snap = takeExportSnapshot(bench::ring4().project, &stop);
    if (!snap) return state.SkipWithError("no snapshot");
    for (auto _ : state) {
        const WeightVolume v = WeightVolume::build(*snap);
        benchmark::DoNotOptimize(v.pixel(0, 0));
    }
}
BENCHMARK(BM_WeightVolumeRing4)->Unit(benchmark::kMillisecond);

void BM_SourceBlocksAndRegionsRing4(benchmark::State& state) {
    ExportResult stop;
    const auto snap = takeExportSnapshot(bench::ring4().project, &stop);
    if (!snap) return state.SkipWithError("no snapshot");
    for (auto _ : state) {
        size_t rects = 0;
        for (const CameraSnapshot& cam : snap->cameras) {
            const SourceBlockMap blocks = mapSourceBlocks(cam);
            const BoundaryColumns columns(cam.imgBdy, cam.map.cols);
            for (const SourceBlock& b : blocks.blocks)
                rects += findBlockRegions(blocks, b, columns, nullptr).size();
        }
        benchmark::DoNotOptimize(rects);
    }
}
BENCHMARK(BM_SourceBlocksAndRegionsRing4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
