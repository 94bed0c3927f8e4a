// The 4K table export of a rig the size of samples/ring4 (four rectilinear
// 1920 x 1080 cameras, hfov 100, yaw 0/90/180/270, on a 3840 x 1920
// equirectangular panorama), compared with writing the same number of bytes
// into the same folder. The rig is built in memory the way the remapper leaves
// it: each camera's map covers the bounding box of its valid panorama pixels,
// and the camera behind the panorama's seam spans the whole width with a
// wrapped boundary.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "export/AtomicOutputFile.h"
#include "export/BlendTable4K.h"
#include "export/Camera4KExport.h"
#include "project/Project.h"

namespace {

constexpr int kW = 3840, kH = 1920, kSrcW = 1920, kSrcH = 1080;

// Source position of panorama pixel (X, Y) in the camera looking at `yawDeg`,
// or false when the camera does not see it.
bool project(int X, int Y, double yawDeg, float* u, float* v) {
    const double pi = 3.14159265358979323846;
    const double lon = ((X + 0.5) / kW * 360.0 - 180.0 - yawDeg) * pi / 180.0;
    const double lat = (90.0 - (Y + 0.5) / kH * 180.0) * pi / 180.0;
    const double xc = std::cos(lat) * std::sin(lon);
    const double yc = std::sin(lat);
    const double zc = std::cos(lat) * std::cos(lon);
    if (zc <= 1e-6) return false;
    const double f = (kSrcW / 2.0) / std::tan(50.0 * pi / 180.0);
    const double su = kSrcW / 2.0 + f * xc / zc;
    const double sv = kSrcH / 2.0 - f * yc / zc;
    if (su < 0 || sv < 0 || su >= kSrcW || sv >= kSrcH) return false;
    *u = static_cast<float>(su);
    *v = static_cast<float>(sv);
    return true;
}

Camara ringCamera(double yawDeg) {
    // Bounding box of the valid panorama pixels.
    std::vector<uint8_t> seen(static_cast<size_t>(kW) * kH);
    int x0 = kW, x1 = -1, y0 = kH, y1 = -1;
    float u, v;
    for (int Y = 0; Y < kH; ++Y)
        for (int X = 0; X < kW; ++X)
            if (project(X, Y, yawDeg, &u, &v)) {
                x0 = std::min(x0, X);
                x1 = std::max(x1, X);
                y0 = std::min(y0, Y);
                y1 = std::max(y1, Y);
            }
    Camara cam;
    cam.offsetX = x0;
    cam.offsetY = y0;
    const int cols = x1 - x0 + 1, rows = y1 - y0 + 1;
    cam.coordMap = cv::Mat(rows, cols, CV_32FC2, cv::Scalar(0, 0));
    cam.displayImage = cv::Mat(rows, cols, CV_8UC4, cv::Scalar(0, 0, 0, 0));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            if (project(x0 + c, y0 + r, yawDeg, &u, &v)) {
                cam.coordMap.at<cv::Vec2f>(r, c) = cv::Vec2f(u, v);
                cam.displayImage.at<cv::Vec4b>(r, c) = cv::Vec4b(90, 120, 150, 255);
            }
    cam.sourceImage = cv::Mat(kSrcH, kSrcW, CV_8UC1);
    // Valid columns along the middle row; a run broken by the seam wraps.
    const int mid = rows / 2;
    int first = -1, last = -1, gapStart = -1, gapEnd = -1;
    for (int c = 0; c < cols; ++c) {
        const bool ok = cam.displayImage.at<cv::Vec4b>(mid, c)[3] != 0;
        if (ok && first < 0) first = c;
        if (ok) last = c;
        if (!ok && first >= 0 && gapStart < 0) gapStart = c;
        if (ok && gapStart >= 0 && gapEnd < 0) gapEnd = c;
    }
    if (gapStart >= 0 && gapEnd >= 0 && first == 0)
        cam.imgBdy = {{gapStart - 1, 0}, {gapEnd, 1}};
    else
        cam.imgBdy = {{first, 1}, {last, 0}};
    return cam;
}

struct Ring4 {
    QTemporaryDir dir;
    Project project;
    Ring4() {
        project.panoWidth = kW;
        project.panoHeight = kH;
        project.projectDir = dir.path().toStdString() + "/";
        project.cameras.clear();
        for (double yaw : {0.0, 90.0, 180.0, 270.0}) project.cameras.push_back(ringCamera(yaw));
        project.resetDrawOrder(4);
        setExportDoneHandler([] {});
    }
};

Ring4& ring4() {
    static Ring4 rig;
    return rig;
}

int64_t tableBytes() {
    static const int64_t bytes = [] {
        Ring4& rig = ring4();
        exportCamera4K(rig.project);
        return QFileInfo(rig.dir.path() + "/Camera_4K_Project.tab").size();
    }();
    return bytes;
}

void BM_Export4K(benchmark::State& state) {
    Ring4& rig = ring4();
    const bool pictures = state.range(0) != 0;
    QDir pic(rig.dir.path() + "/pic");
    if (pictures)
        QDir(rig.dir.path()).mkdir("pic");
    else
        pic.removeRecursively();
    for (auto _ : state) {
        const ExportResult r = exportCamera4K(rig.project);
        if (!r.written()) state.SkipWithError(r.message.c_str());
    }
    state.SetBytesProcessed(state.iterations() * tableBytes());
    state.counters["table_MB"] = static_cast<double>(tableBytes()) / 1e6;
}
BENCHMARK(BM_Export4K)->Arg(0)->Arg(1)->ArgName("pic")->Unit(benchmark::kMillisecond);

void BM_WriteSameBytes(benchmark::State& state) {
    Ring4& rig = ring4();
    const int64_t total = tableBytes();
    const std::vector<char> chunk(size_t(1) << 20, 'x');
    for (auto _ : state) {
        QFile f(rig.dir.path() + "/raw.bin");
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        for (int64_t left = total; left > 0;) {
            const qint64 n = static_cast<qint64>(std::min<int64_t>(left, chunk.size()));
            f.write(chunk.data(), n);
            left -= n;
        }
        f.close();
    }
    state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(BM_WriteSameBytes)->Unit(benchmark::kMillisecond);

// The same, the way a table is put in place: a temporary file synced to disk
// and renamed over the target.
void BM_WriteSameBytesAtomically(benchmark::State& state) {
    Ring4& rig = ring4();
    const int64_t total = tableBytes();
    const std::vector<char> chunk(size_t(1) << 20, 'x');
    for (auto _ : state) {
        QSaveFile f(rig.dir.path() + "/raw.bin");
        f.open(QIODevice::WriteOnly);
        for (int64_t left = total; left > 0;) {
            const qint64 n = static_cast<qint64>(std::min<int64_t>(left, chunk.size()));
            f.write(chunk.data(), n);
            left -= n;
        }
        f.commit();
    }
    state.SetBytesProcessed(state.iterations() * total);
}
BENCHMARK(BM_WriteSameBytesAtomically)->Unit(benchmark::kMillisecond);

// The parts of the export, for finding what dominates.
void BM_WeightVolume(benchmark::State& state) {
    ExportResult stop;
    const auto snap = takeExportSnapshot(ring4().project, &stop);
    for (auto _ : state) {
        const WeightVolume v = WeightVolume::build(*snap);
        benchmark::DoNotOptimize(v.pixel(0, 0));
    }
}
BENCHMARK(BM_WeightVolume)->Unit(benchmark::kMillisecond);

void BM_SourceBlocksAndRegions(benchmark::State& state) {
    ExportResult stop;
    const auto snap = takeExportSnapshot(ring4().project, &stop);
    for (auto _ : state) {
        size_t rects = 0;
        for (const CameraSnapshot& cam : snap->cameras)
            for (const SourceBlock& b : collectSourceBlocks(cam))
                rects += findBlockRegions(b, cam.imgBdy, nullptr).size();
        benchmark::DoNotOptimize(rects);
    }
}
BENCHMARK(BM_SourceBlocksAndRegions)->Unit(benchmark::kMillisecond);

void BM_BlendTable4K(benchmark::State& state) {
    Ring4& rig = ring4();
    ExportResult stop;
    const auto snap = takeExportSnapshot(rig.project, &stop);
    const WeightVolume v = WeightVolume::build(*snap);
    for (auto _ : state) {
        // Never committed: the temporary file goes with the object.
        AtomicOutputFile file((rig.dir.path() + "/blend.tab").toStdString());
        file.open();
        uint32_t count = 0;
        writeBlendTable4K(file.out(), v, 4, kW, kH, snap->drawOrder, &count);
        file.out().flush();
    }
    state.SetBytesProcessed(state.iterations() * blendTable4KRowBytes(blendPartition(kW, 4), 4) *
                            kH);
}
BENCHMARK(BM_BlendTable4K)->Unit(benchmark::kMillisecond);

// The bundled sample itself, loaded and remapped once, when it and nona2 are
// there.
struct Ring4Sample {
    QTemporaryDir dir;
    Project project;
    int64_t bytes = 0;
    bool load() {
        const QString sample = QStringLiteral(ORVIK_SOURCE_DIR "/samples/ring4");
        if (!QFileInfo::exists(sample + "/ring4.pto") ||
            !QFileInfo::exists(QStringLiteral(ORVIK_BIN_DIR "/nona2")))
            return false;
        for (const QString& f : QDir(sample).entryList(QDir::Files))
            QFile::copy(sample + "/" + f, dir.path() + "/" + f);
        project.loadProject(toLocal8BitString(dir.path() + "/ring4.pto"));
        project.runRemapper();
        if (!exportCamera4K(project).written()) return false;
        bytes = QFileInfo(dir.path() + "/Camera_4K_Project.tab").size();
        return true;
    }
};

void BM_Export4KSample(benchmark::State& state, Ring4Sample* sample) {
    for (auto _ : state) {
        const ExportResult r = exportCamera4K(sample->project);
        if (!r.written()) state.SkipWithError(r.message.c_str());
    }
    state.SetBytesProcessed(state.iterations() * sample->bytes);
    state.counters["table_MB"] = static_cast<double>(sample->bytes) / 1e6;
}

void BM_WriteSampleBytes(benchmark::State& state, Ring4Sample* sample) {
    const std::vector<char> chunk(size_t(1) << 20, 'x');
    for (auto _ : state) {
        QFile f(sample->dir.path() + "/raw.bin");
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        for (int64_t left = sample->bytes; left > 0;) {
            const qint64 n = static_cast<qint64>(std::min<int64_t>(left, chunk.size()));
            f.write(chunk.data(), n);
            left -= n;
        }
        f.close();
    }
    state.SetBytesProcessed(state.iterations() * sample->bytes);
}

}  // namespace

int main(int argc, char** argv) {
    // Loading the sample runs the remapper: only when every case runs or the
    // filter names it. (Read before Initialize takes the flags out of argv.)
    bool filtered = false, wantSample = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.find("--benchmark_filter") == 0) {
            filtered = true;
            wantSample = arg.find("Sample") != std::string::npos;
        }
    }
    int qtArgc = 1;  // the remapper run needs an application object
    QCoreApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    Ring4Sample sample;
    if ((!filtered || wantSample) && sample.load()) {
        benchmark::RegisterBenchmark("BM_Export4KSample", BM_Export4KSample, &sample)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_WriteSampleBytes", BM_WriteSampleBytes, &sample)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
