// The 2K table export of a four-camera ring on a 3840 x 1920 panorama, against
// writing the same number of bytes into the same folder. bench/export2k.sh runs
// it, prints the ratio and measures the export's peak memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "../tests/support/SyntheticCamera.h"
#include "export/Camera2KExport.h"

namespace {

constexpr int kW = 3840;
constexpr int kH = 1920;
constexpr int kCameras = 4;
constexpr int kSourceW = 1920;
constexpr int kSourceH = 1080;
constexpr double kPi = 3.14159265358979323846;

// The geometry of samples/ring4: four rectilinear 1920 x 1080 cameras, hfov 100,
// yaw 0/90/180/270, on a 3840 x 1920 equirectangular panorama. Each camera's
// layer is the bounding box of its valid pixels (the camera at yaw 180 straddles
// the seam, so its layer is the panorama's full width with a wrapped boundary).
// Outside the camera the map holds (-1, -1) and the weight is 0; inside, the
// weight is feathered over 120 source columns at the sides.
struct Projection {
    double yaw;
    double f = (kSourceW / 2.0) / std::tan(50.0 * kPi / 180.0);
    // Source position of panorama pixel (X, Y), or false outside the image.
    bool source(int X, int Y, float* u, float* v) const {
        const double lon = (X + 0.5) / kW * 2 * kPi - kPi;
        const double lat = kPi / 2 - (Y + 0.5) / kH * kPi;
        double d = lon - yaw;
        while (d > kPi) d -= 2 * kPi;
        while (d <= -kPi) d += 2 * kPi;
        const double z = std::cos(lat) * std::cos(d);
        if (z <= 1e-9) return false;
        const double x = std::cos(lat) * std::sin(d);
        const double y = std::sin(lat);
        const double su = kSourceW / 2.0 + f * x / z;
        const double sv = kSourceH / 2.0 - f * y / z;
        if (su < 0 || su >= kSourceW || sv < 0 || sv >= kSourceH) return false;
        *u = static_cast<float>(su);
        *v = static_cast<float>(sv);
        return true;
    }
};

Camara ringCamera(int i) {
    const Projection proj{i * kPi / 2};
    // Bounding box of the valid panorama pixels.
    int x0 = kW, x1 = -1, y0 = kH, y1 = -1;
    float u, v;
    for (int Y = 0; Y < kH; ++Y)
        for (int X = 0; X < kW; ++X)
            if (proj.source(X, Y, &u, &v)) {
                x0 = std::min(x0, X);
                x1 = std::max(x1, X);
                y0 = std::min(y0, Y);
                y1 = std::max(y1, Y);
            }
    testsupport::CameraSpec s;
    s.cols = x1 - x0 + 1;
    s.rows = y1 - y0 + 1;
    s.offsetX = x0;
    s.offsetY = y0;
    s.sourceWidth = kSourceW;
    s.sourceHeight = kSourceH;
    s.map = [proj, x0, y0](int c, int r) {
        float su, sv;
        return proj.source(x0 + c, y0 + r, &su, &sv) ? cv::Vec2f(su, sv) : cv::Vec2f(-1, -1);
    };
    s.alpha = [proj, x0, y0](int c, int r) -> uint8_t {
        float su, sv;
        if (!proj.source(x0 + c, y0 + r, &su, &sv)) return 0;
        const double edge = std::min<double>(su, kSourceW - 1 - su);
        return static_cast<uint8_t>(std::min(255.0, 255.0 * edge / 120.0));
    };
    // The valid run of the middle row; a run that touches both borders wraps.
    const int mid = s.rows / 2;
    std::vector<int> valid;
    for (int c = 0; c < s.cols; ++c) valid.push_back(proj.source(x0 + c, y0 + mid, &u, &v));
    if (valid.front() && valid.back() && std::count(valid.begin(), valid.end(), 0) > 0) {
        int end = 0, start = s.cols - 1;
        while (valid[static_cast<size_t>(end + 1)]) ++end;
        while (valid[static_cast<size_t>(start - 1)]) --start;
        s.imgBdy = {{end, 0}, {start, 1}};
    }
    return testsupport::makeCamera(s);
}

void buildRing(Project& project, const std::string& folder) {
    project.panoWidth = kW;
    project.panoHeight = kH;
    project.projectDir = folder;
    project.cameras.clear();
    for (int i = 0; i < kCameras; ++i) project.cameras.push_back(ringCamera(i));
    project.resetDrawOrder(kCameras);
}

// ORVIK_BENCH_OUT names a folder to export into instead of a scratch one; a
// "pic" folder is created there so that the debug images can be looked at.
struct Rig {
    QTemporaryDir dir;
    QString folder;
    Project project;
    Rig() {
        folder = dir.path();
        if (const char* out = std::getenv("ORVIK_BENCH_OUT")) {
            folder = QString::fromLocal8Bit(out);
            QDir().mkpath(folder + "/pic");
        }
        buildRing(project, folder.toStdString() + "/");
        if (std::getenv("ORVIK_BENCH_VERBOSE"))
            for (const Camara& c : project.cameras)
                std::printf("camera %d x %d at (%d, %d), boundary (%d, %d) (%d, %d)\n",
                            c.coordMap.cols, c.coordMap.rows, c.offsetX, c.offsetY,
                            c.imgBdy[0].column, c.imgBdy[0].kind, c.imgBdy[1].column,
                            c.imgBdy[1].kind);
    }
};

Rig& rig() {
    static Rig r;
    return r;
}

// The export's console lines go to /dev/null while it runs.
class QuietStdout {
public:
    QuietStdout() {
        if (std::getenv("ORVIK_BENCH_VERBOSE")) return;
        std::fflush(stdout);
        saved_ = dup(1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        close(null);
    }
    ~QuietStdout() {
        if (saved_ < 0) return;
        std::fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
    }

private:
    int saved_ = -1;
};

int64_t exportedBytes = 0;

void BM_Export2KRing4(benchmark::State& state) {
    Rig& r = rig();
    for (auto _ : state) {
        QuietStdout quiet;
        const ExportResult result = exportCamera2K(r.project);
        if (!result.written()) {
            state.SkipWithError(result.message.c_str());
            break;
        }
        exportedBytes = QFile(QString::fromStdString(result.path)).size();
    }
    state.SetBytesProcessed(state.iterations() * exportedBytes);
    state.counters["file_MB"] = static_cast<double>(exportedBytes) / (1 << 20);
}
BENCHMARK(BM_Export2KRing4)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same number of bytes, in 1 MB pieces, into the same folder; with
// `durable`, the way a table is put in place: flushed to disk before it is
// renamed over the previous file.
void writeSameBytes(benchmark::State& state, bool durable) {
    Rig& r = rig();
    if (exportedBytes == 0) {
        QuietStdout quiet;
        exportCamera2K(r.project);
        exportedBytes = QFile(r.folder + "/Camera_2K_Project.tab").size();
    }
    const std::vector<char> chunk(1 << 20, 'x');
    for (auto _ : state) {
        QFile f(r.folder + "/raw.bin");
        f.open(QIODevice::WriteOnly);
        for (int64_t left = exportedBytes; left > 0;) {
            const qint64 n = std::min<int64_t>(left, static_cast<int64_t>(chunk.size()));
            f.write(chunk.data(), n);
            left -= n;
        }
        if (durable) {
            f.flush();
            fdatasync(f.handle());
        }
        f.close();
        if (durable) QFile::rename(r.folder + "/raw.bin", r.folder + "/raw2.bin");
    }
    state.SetBytesProcessed(state.iterations() * exportedBytes);
}
void BM_WriteSameBytes(benchmark::State& state) {
    writeSameBytes(state, false);
}
void BM_WriteSameBytesDurably(benchmark::State& state) {
    writeSameBytes(state, true);
}
BENCHMARK(BM_WriteSameBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteSameBytesDurably)->Unit(benchmark::kMillisecond)->UseRealTime();

// Only builds the rig: the memory the project itself holds, for comparison with
// the export's peak.
void BM_RigOnly(benchmark::State& state) {
    Rig& r = rig();
    for (auto _ : state) benchmark::DoNotOptimize(r.project.cameras.data());
}
BENCHMARK(BM_RigOnly);

}  // namespace

BENCHMARK_MAIN();
