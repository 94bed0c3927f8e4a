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

// The shared parts (weight volume, source blocks and regions) are measured in
// export2k_bench; here only what the 4K table adds.
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
        buildBlendTable4K(file.out(), v, snap->cameraCount, snap->W, snap->H, snap->drawOrder);
        file.out().flush();
    }
}
BENCHMARK(BM_BlendTable4KRing4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
