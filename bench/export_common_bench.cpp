// Building blocks of the table exports: the weight volume of a 4K panorama,
// and writing remap records through the table writer compared with handing the
// same bytes to the file in one piece.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <vector>

#include "export/AtomicOutputFile.h"
#include "export/RedressRecord.h"
#include "export/WeightVolume.h"

namespace {

ExportSnapshot rig4K(int n) {
    ExportSnapshot s;
    s.cameraCount = n;
    s.W = 3840;
    s.H = 1920;
    for (int i = 0; i < n; ++i) {
        CameraSnapshot c;
        c.offsetX = i * 3840 / n - 200;
        c.weights = cv::Mat(1920, 3840 / n + 400, CV_8UC4, cv::Scalar(1, 2, 3, 180));
        s.cameras.push_back(c);
        s.drawOrder.push_back(n - 1 - i);
    }
    return s;
}

void BM_WeightVolume4K(benchmark::State& state) {
    const ExportSnapshot s = rig4K(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        WeightVolume v = WeightVolume::build(s);
        benchmark::DoNotOptimize(v.pixel(0, 0));
    }
}
BENCHMARK(BM_WeightVolume4K)->Arg(4)->Unit(benchmark::kMillisecond);

constexpr int kRecords = 200;  // 13 MB

void BM_WriteRecords(benchmark::State& state) {
    QTemporaryDir dir;
    RedressRecord rec = RedressRecord::make(0, 0, 128, 127, 0, 0);
    for (size_t i = 0; i < rec.entries.size(); ++i) rec.entries[i] = static_cast<uint32_t>(i);
    for (auto _ : state) {
        AtomicOutputFile file((dir.path() + "/t.tab").toStdString());
        file.open();
        for (int k = 0; k < kRecords; ++k) rec.writeTo(file.out());
        file.commit();
    }
    state.SetBytesProcessed(state.iterations() * kRecords * RedressRecord::kBytes);
}
BENCHMARK(BM_WriteRecords)->Unit(benchmark::kMillisecond);

void BM_WriteRawBytes(benchmark::State& state) {
    QTemporaryDir dir;
    const std::vector<char> bytes(static_cast<size_t>(kRecords) * RedressRecord::kBytes, 'x');
    for (auto _ : state) {
        QFile f(dir.path() + "/raw.bin");
        f.open(QIODevice::WriteOnly);
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        f.close();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_WriteRawBytes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
