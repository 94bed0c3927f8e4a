// The 4K table export of samples/ring4 (loaded with blend and crop 20000)
// against a plain write of the same number of bytes into the same folder, with
// and without a "pic" folder, and the parts of the export on their own.
// bench/export4k.sh runs it and prints the ratio and the peak memory.
#include "ExportBench.h"
#include "export/AtomicOutputFile.h"
#include "export/BlendTable4K.h"
#include "export/Camera4KExport.h"

namespace {

void BM_Export4KRing4(benchmark::State& state) {
    bench::exportVsPlainWrite(state, &exportCamera4K);
}
BENCHMARK(BM_Export4KRing4)
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

void BM_BlendTable4KRing4(benchmark::State& state) {
    bench::LoadedRing4& rig = bench::ring4();
    ExportResult stop;
    const auto snap = takeExportSnapshot(rig.project, &stop);
    if (!snap) return state.SkipWithError("no snapshot");
    const WeightVolume v = WeightVolume::build(*snap);
    for (auto _ : state) {
        // Never committed: the temporary file goes with the object.
        AtomicOutputFile file((rig.folder() + "/blend.tab").toStdString());
        file.open();
        uint32_t count = 0;
        bench::QuietStdout quiet;
        writeBlendTable4K(file.out(), v, snap->cameraCount, snap->W, snap->H, snap->drawOrder,
                          &count);
        file.out().flush();
    }
}
BENCHMARK(BM_BlendTable4KRing4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
