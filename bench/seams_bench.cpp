// Seams on rigs with parallax (riggen's parallax scene, camera centres 6 cm
// from the rig's centre, near objects on the seams): per seam and overall,
// how much the two cameras disagree over the seam's pixels with the middle
// rule of the automatic seams, with content seams as automatic mode places
// them (from the display images it leaves; --set tries other options on the
// strips directly), and with OpenCV's DpSeamFinder (COLOR_GRAD) on the same
// overlaps; then the time automatic mode takes on the 3840 x 1920 four-camera
// ring with either rule.
// Goals: content <= DpSeamFinder and <= 0.3 x middle; placing content seams
// within 150 ms beyond the middle rule.
#include <benchmark/benchmark.h>

#include <QProcess>
#include <cstdio>
#include <map>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/stitching/detail/seam_finders.hpp>
#include <sstream>

#include "SampleRig.h"
#include "file/Local8Bit.h"
#include "geometry/AutoBlend.h"
#include "geometry/ContentSeam.h"
#include "geometry/OverlapStrip.h"
#include "geometry/SeamDisagreement.h"
#include "tuning/AutoSeams.h"

namespace {

// Columns of one camera alone beside each overlap: DpSeamFinder needs them
// to see which side is whose, and the gradients need a neighbour.
constexpr int kMargin = 16;

// Renders riggen's parallax version of a bundled rig, once per preset and
// process; the project's path, or why there is none.
QString parallaxRig(const char* preset, QString& error) {
    static std::map<std::string, std::pair<QString, QString>> rigs;
    static QTemporaryDir dir;
    auto found = rigs.find(preset);
    if (found == rigs.end()) {
        const QString folder = dir.path() + "/" + preset;
        QDir().mkpath(folder);
        QProcess gen;
        gen.start(QString(ORVIK_BIN_DIR) + "/riggen",
                  {"-q", "95", "--parallax-radius", "0.06", "--preset", preset, folder});
        const bool ok = gen.waitForFinished(600000) && gen.exitCode() == 0;
        found = rigs.emplace(preset, std::make_pair(
                                         ok ? folder + "/" + preset + ".pto" : QString(),
                                         ok ? QString()
                                            : "riggen failed: " + QString::fromLocal8Bit(
                                                                      gen.readAllStandardError())))
                    .first;
    }
    error = found->second.second;
    return found->second.first;
}

// Loads a parallax rig as the tool does. The newest project is the one the
// automatic seams work on, so only one is alive at a time.
std::unique_ptr<Project> loadRig(const char* preset, QString& error) {
    const QString pto = parallaxRig(preset, error);
    if (pto.isEmpty()) return nullptr;
    auto project = std::make_unique<Project>();
    bench::QuietStdout quiet;
    project->loadProject(toLocal8BitString(pto));
    error = runRemapperWith(*project, bench::nona2()).message;
    project->loaded = error.isEmpty();
    return error.isEmpty() ? std::move(project) : nullptr;
}

// The ring the timings are taken on.
Project* timedRing(QString& error) {
    static std::unique_ptr<Project> ring;
    static QString why;
    if (!ring && why.isEmpty()) ring = loadRig("ring4", why);
    error = why;
    return ring.get();
}

struct PairStrip {
    int upper = 0, lower = 0;
    OverlapStrip strip;
};

// Every overlap of every pair, the upper camera being the later one in the
// drawing order, as the automatic seams pair them.
std::vector<PairStrip> rigStrips(const Project& p) {
    std::vector<PairStrip> out;
    for (size_t pi = p.drawOrder.size(); pi-- > 0;)
        for (size_t qi = pi; qi-- > 0;) {
            const Camara& u = p.cameras[static_cast<size_t>(p.drawOrder[pi])];
            const Camara& l = p.cameras[static_cast<size_t>(p.drawOrder[qi])];
            for (OverlapStrip& s : overlapStrips(u.image, {u.offsetX, u.offsetY}, l.image,
                                                 {l.offsetX, l.offsetY}, p.panoWidth, kMargin))
                out.push_back({p.drawOrder[pi], p.drawOrder[qi], std::move(s)});
        }
    return out;
}

// OpenCV's dynamic-programming seam finder on the same two layers; its seam
// comes back as the masks of what each keeps.
SeamDisagreement dpSeam(const OverlapStrip& s) {
    std::vector<cv::UMat> images(2), masks(2);
    const cv::Mat* layers[2] = {&s.upper, &s.lower};
    for (int k = 0; k < 2; ++k) {
        cv::Mat bgr, alpha;
        cv::cvtColor(*layers[k], bgr, cv::COLOR_BGRA2BGR);
        cv::extractChannel(*layers[k], alpha, 3);
        bgr.copyTo(images[static_cast<size_t>(k)]);
        cv::Mat(alpha > 0).copyTo(masks[static_cast<size_t>(k)]);
    }
    cv::detail::DpSeamFinder finder(cv::detail::DpSeamFinder::COLOR_GRAD);
    finder.find(images, {cv::Point(0, 0), cv::Point(0, 0)}, masks);
    return seamDisagreement(s.upper, s.lower, masks[0].getMat(cv::ACCESS_READ),
                            masks[1].getMat(cv::ACCESS_READ));
}

// Per row, the best single column's colour difference: what no seam can beat.
double bestColumnFloor(const OverlapStrip& s) {
    double sum = 0;
    int rows = 0;
    for (int r = 0; r < s.upper.rows; ++r) {
        double best = -1;
        for (int c = 0; c < s.upper.cols; ++c) {
            const cv::Vec4b a = s.upper.at<cv::Vec4b>(r, c), b = s.lower.at<cv::Vec4b>(r, c);
            if (!a[3] || !b[3]) continue;
            const double d =
                (std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2])) / 3.0;
            if (best < 0 || d < best) best = d;
        }
        if (best >= 0) sum += best, ++rows;
    }
    return rows ? sum / rows : 0;
}

// What the device shows over a strip: the upper camera with its weight, the
// lower one with what that leaves; `mark` tints the pixels where both show.
cv::Mat composite(const OverlapStrip& s, const cv::Mat& uw, const cv::Mat& lw) {
    cv::Mat out(s.upper.size(), CV_8UC3, cv::Scalar::all(0));
    for (int r = 0; r < out.rows; ++r)
        for (int c = 0; c < out.cols; ++c) {
            const double u = uw.at<uchar>(r, c), l = (255 - u) * lw.at<uchar>(r, c) / 255.0;
            if (u + l <= 0) continue;
            const cv::Vec4b a = s.upper.at<cv::Vec4b>(r, c), b = s.lower.at<cv::Vec4b>(r, c);
            for (int k = 0; k < 3; ++k)
                out.at<cv::Vec3b>(r, c)[k] =
                    cv::saturate_cast<uchar>((u * a[k] + l * b[k]) / (u + l));
            if (u > 0 && u < 255 && l > 0) out.at<cv::Vec3b>(r, c)[2] = 255;
        }
    return out;
}

struct Total {
    double sum = 0;
    long pixels = 0;
    void add(const SeamDisagreement& d) {
        sum += d.mean * d.pixels;
        pixels += d.pixels;
    }
    double mean() const { return pixels ? sum / pixels : 0; }
};

void printStretch(const char* what, const SeamDisagreement& d, int firstRow) {
    std::printf("      %-8s mean %6.2f over %7ld px, worst rows %4d-%4d: %6.2f\n", what, d.mean,
                d.pixels, d.worstFirstRow + firstRow, d.worstLastRow + firstRow, d.worstMean);
}

// The figures of one rig; false when it could not be made.
bool report(const char* preset, const ContentSeamOptions& options, const std::string& dump,
            bool brief) {
    QString error;
    const std::unique_ptr<Project> project = loadRig(preset, error);
    if (!project) {
        std::printf("%s: %s\n", preset, qPrintable(error));
        return false;
    }
    Project& p = *project;
    const std::vector<PairStrip> strips = rigStrips(p);
    // What each camera of a strip shows there after automatic mode ran.
    auto shown = [&p](const PairStrip& ps, std::vector<cv::Mat>& out) {
        for (const int camera : {ps.upper, ps.lower}) {
            const Camara& c = p.cameras[static_cast<size_t>(camera)];
            cv::Mat w;
            cv::extractChannel(
                layerOverStrip(c.displayImage, {c.offsetX, c.offsetY}, ps.strip.frame), w, 3);
            out.push_back(w);
        }
    };
    std::vector<cv::Mat> contentShown, middleShown;
    {
        bench::QuietStdout quiet;
        p.seamMode = SeamMode::Content;
        autoBlend(p, kAutoFadeWidth);
        for (const PairStrip& ps : strips) shown(ps, contentShown);
        p.seamMode = SeamMode::Middle;
        autoBlend(p, kAutoFadeWidth);
        for (const PairStrip& ps : strips) shown(ps, middleShown);
    }
    ContentSeamOptions fixed = options;
    fixed.narrowestFade = fixed.fadeWidth;
    Total middle, content, contentFixed, dp;
    if (!brief) {
        std::printf("%s (%d x %d, %zu cameras, parallax radius 6 cm):\n", preset, p.panoWidth,
                    p.panoHeight, p.cameras.size());
        std::printf("  seam               middle  content  fixed-%d  DpSeamFinder  best column\n",
                    options.fadeWidth);
    }
    for (size_t k = 0; k < strips.size(); ++k) {
        const PairStrip& ps = strips[k];
        const cv::Mat &uw = middleShown[2 * k], &lw = middleShown[2 * k + 1];
        const SeamDisagreement m = seamDisagreement(ps.strip.upper, ps.strip.lower, uw, lw);
        cv::Mat cuw = contentShown[2 * k], clw = contentShown[2 * k + 1];
        if (brief)
            seamWeights(
                findContentSeam(ps.strip.upper, ps.strip.lower, ps.strip.upperKeepsLeft, options),
                ps.strip.upper, ps.strip.lower, cuw, clw);
        const SeamDisagreement c = seamDisagreement(ps.strip.upper, ps.strip.lower, cuw, clw);
        if (!dump.empty()) {
            // Middle, content: the device's view over the strip, the fade tinted.
            cv::Mat both;
            cv::hconcat(composite(ps.strip, uw, lw), composite(ps.strip, cuw, clw), both);
            cv::imwrite(dump + "/" + preset + "_" + std::to_string(ps.upper) + "_" +
                            std::to_string(ps.lower) + ".png",
                        both);
        }
        // The fixed fade and OpenCV's finder do not change with the options.
        static std::map<std::string, std::pair<SeamDisagreement, SeamDisagreement>> others;
        const std::string key = preset + std::to_string(ps.upper) + "/" + std::to_string(ps.lower);
        if (!others.count(key))
            others[key] = {seamDisagreement(ps.strip.upper, ps.strip.lower,
                                            findContentSeam(ps.strip.upper, ps.strip.lower,
                                                            ps.strip.upperKeepsLeft, fixed)),
                           dpSeam(ps.strip)};
        const SeamDisagreement f = others[key].first, d = others[key].second;
        middle.add(m), content.add(c), contentFixed.add(f), dp.add(d);
        if (brief) continue;
        std::printf(
            "  cam %d over cam %d  %7.2f  %7.2f  %8.2f  %12.2f  %11.2f   (%d x %d at column %d)\n",
            ps.upper, ps.lower, m.mean, c.mean, f.mean, d.mean, bestColumnFloor(ps.strip),
            ps.strip.frame.columns, ps.strip.frame.rows,
            ps.strip.frame.firstColumn + ps.strip.overlapFrom);
        printStretch("middle", m, ps.strip.frame.firstRow);
        printStretch("content", c, ps.strip.frame.firstRow);
        printStretch("dp", d, ps.strip.frame.firstRow);
    }
    std::printf("  %-18s %7.2f  %7.2f  %8.2f  %12.2f\n", brief ? preset : "overall", middle.mean(),
                content.mean(), contentFixed.mean(), dp.mean());
    const double toDp = dp.mean() > 0 ? content.mean() / dp.mean() : 0;
    const double toMiddle = middle.mean() > 0 ? content.mean() / middle.mean() : 0;
    std::printf(
        "  content / DpSeamFinder %.2f (goal <= 1): %s; content / middle %.2f (goal <= 0.3): %s\n",
        toDp, toDp <= 1 ? "met" : "MISSED", toMiddle, toMiddle <= 0.3 ? "met" : "MISSED");
    return true;
}

// Automatic mode as the check box runs it, with either rule: the middle
// rule's crop and feather of every camera, or content seams cut into them.
void autoMode(benchmark::State& state, SeamMode mode) {
    QString error;
    Project* ring = timedRing(error);
    if (!ring) return state.SkipWithError(qPrintable(error));
    ring->seamMode = mode;
    bench::QuietStdout quiet;
    for (auto _ : state) {
        // From scratch each time: repeated with the same seams it would
        // rewrite nothing.
        state.PauseTiming();
        for (Camara& cam : ring->cameras) {
            cam.displayCache.clear();
            cam.displayImage = cv::Mat();
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(autoBlend(*ring, kAutoFadeWidth));
    }
}

void BM_MiddleRule(benchmark::State& state) {
    autoMode(state, SeamMode::Middle);
}

void BM_ContentSeams(benchmark::State& state) {
    autoMode(state, SeamMode::Content);
}

}  // namespace

BENCHMARK(BM_MiddleRule)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ContentSeams)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    bench::ensureApplication();
    benchmark::Initialize(&argc, argv);
    // --figures-only / --timings-only: one half; --dump DIR: an image per seam
    // of the device's view over its strip, middle rule and content seam.
    bool figuresOnly = false, timingsOnly = false;
    std::string dump;
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        figuresOnly = figuresOnly || a == "--figures-only";
        timingsOnly = timingsOnly || a == "--timings-only";
        if (a == "--dump" && k + 1 < argc) dump = argv[++k];
    }
    // --set name=value,...: the content seams' options (ContentSeam.h), one
    // brief report per --set, for tuning.
    std::vector<std::string> sets;
    for (int k = 1; k + 1 < argc; ++k)
        if (std::string(argv[k]) == "--set") sets.push_back(argv[++k]);
    if (!timingsOnly && sets.empty()) {
        for (const char* preset : {"ring4", "fisheye3"})
            report(preset, ContentSeamOptions(), dump, false);
    }
    for (const std::string& set : sets) {
        ContentSeamOptions o;
        std::stringstream items(set);
        for (std::string item; std::getline(items, item, ',');) {
            const size_t eq = item.find('=');
            const std::string name = item.substr(0, eq);
            const double v = eq == std::string::npos ? 0 : std::stod(item.substr(eq + 1));
            if (name == "fade") o.fadeWidth = static_cast<int>(v);
            if (name == "narrowest") o.narrowestFade = static_cast<int>(v);
            if (name == "narrowing") o.narrowingCost = v;
            if (name == "step") o.maxStep = static_cast<int>(v);
            if (name == "stepcost") o.stepCost = v;
            if (name == "change") o.fadeChangeCost = v;
            if (name == "gradient") o.gradientWeight = v;
            if (name == "pull") o.middlePull = v;
        }
        std::printf("%s\n", set.c_str());
        for (const char* preset : {"ring4", "fisheye3"}) report(preset, o, "", true);
        std::fflush(stdout);
    }
    if (!figuresOnly) benchmark::RunSpecifiedBenchmarks();
    return 0;
}
