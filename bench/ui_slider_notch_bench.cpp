// One notch of the blend or crop slider in the window, end to end: the slot's
// refresh of every camera, the texture uploads and the paint, finished on the
// GL side; with check=1 also the coverage check the window runs after every
// change of the tables (both in one run, so the two can be compared). Runs samples/ring4 as saved
// (cropped layers) and without r:CROP (every layer the size of the panorama). Goals: at most 15 ms
// cropped, 40 ms full-canvas under Xvfb's software renderer. Needs an X display with OpenGL (run
// under xvfb-run, see slider_notch.sh).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QRegularExpression>
#include <QSlider>
#include <chrono>
#include <memory>

#include "ButtomSetting.h"
#include "CurrentProject.h"
#include "OpenGLWidget.h"
#include "ProjectModel.h"
#include "SampleRig.h"
#include "export/PanoramaCoverage.h"
#include "file/Local8Bit.h"

namespace {

Project& benchProject() {
    static Project project;
    // Installed as the window's project, as the program's main does.
    static const bool installed = (setCurrentProject(&project), true);
    (void)installed;
    return project;
}

// Starting values: a fade of a twentieth of the layer width and a crop that
// cuts a little into every overlap, on both layouts.
constexpr int kBlend = 30000;
constexpr int kCut = 21000;
// One notch: the slider's page step.
constexpr int kNotch = 600;

// The window's two widgets with ring4 loaded in the given layout; loads again
// only when the layout changes.
struct Window {
    std::unique_ptr<OpenGLWidget> preview;
    std::unique_ptr<ButtomSetting> panel;
    std::unique_ptr<ProjectModel> model;
    QSlider* blend = nullptr;
    QSlider* cut = nullptr;
    QString layout;
    QTemporaryDir dir;
};

// Lives between main's application and its end.
std::unique_ptr<Window> theWindow;

Window& windowWith(const QString& layout, QString* why) {
    Window& window = *theWindow;
    if (window.layout == layout) return window;
    Project& project = benchProject();
    *why = bench::missing("ring4");
    if (!why->isEmpty()) return window;
    const QString folder = window.dir.path() + "/" + layout;
    QDir().mkpath(folder);
    const QString pto = bench::copySample("ring4", folder);
    if (layout == "full-canvas") {
        QFile file(pto);
        file.open(QIODevice::ReadOnly);
        QString text = QString::fromUtf8(file.readAll());
        file.close();
        text.replace(QRegularExpression("^(p [^\\n]*) r:CROP", QRegularExpression::MultilineOption),
                     "\\1");
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(text.toUtf8());
        file.close();
    }
    if (!window.preview) {
        window.preview = std::make_unique<OpenGLWidget>();
        window.preview->resize(900, 450);
        window.preview->show();
        window.panel = std::make_unique<ButtomSetting>();
        window.panel->show();
        // As the main window connects them.
        window.model = std::make_unique<ProjectModel>(project);
        QObject::connect(window.model.get(), &ProjectModel::changeFinished, window.panel.get(),
                         [&window](ProjectModel::Change what) {
                             if (what == ProjectModel::Change::Settings) return;
                             window.preview->repaint();
                             if (what == ProjectModel::Change::Layers)
                                 window.panel->refreshDeviceView();
                         });
        window.blend = window.panel->findChild<QSlider*>("BlendSlider");
        window.cut = window.panel->findChild<QSlider*>("CutSilder");
        QCoreApplication::processEvents();
    }
    // The load refreshes on its own.
    window.panel->attach(nullptr, nullptr);
    {
        bench::QuietStdout quiet;
        project.blendValue = kBlend;
        project.cutValue = kCut;
        project.loadProject(toLocal8BitString(pto));
        *why = runRemapperWith(project, bench::nona2()).message;
    }
    if (!why->isEmpty()) return window;
    project.loaded = true;
    window.panel->attach(window.model.get(), window.preview.get());
    window.panel->showProjectValues();
    window.preview->repaint();  // the first upload of every texture
    window.layout = layout;
    return window;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Waits for the paint the slider's repaint asked for (Qt turns a repaint that
// follows the last frame within a refresh interval into a posted update), then
// for the GL work to finish.
void finishFrame(OpenGLWidget& preview, const PaintCounter& counter, int paintsBefore) {
    const auto t0 = std::chrono::steady_clock::now();
    while (counter.paints == paintsBefore && bench::millisecondsSince(t0) < 1000)
        QCoreApplication::processEvents();
    preview.makeCurrent();
    preview.context()->functions()->glFinish();
    preview.doneCurrent();
}

// range(0): 0 = cropped, 1 = full-canvas; range(1): 0 = blend, 1 = crop slider;
// range(2): 1 = with the window's coverage check.
void BM_SliderNotch(benchmark::State& state) {
    const QString layout = state.range(0) ? "full-canvas" : "cropped";
    QString why;
    Window& window = windowWith(layout, &why);
    if (!why.isEmpty()) {
        state.SkipWithError(("skipped: " + why).toStdString().c_str());
        return;
    }
    QSlider* slider = state.range(1) ? window.cut : window.blend;
    const int base = state.range(1) ? kCut : kBlend;
    CoverageCheck coverage;
    QMetaObject::Connection checking;
    if (state.range(2))
        checking = QObject::connect(window.panel.get(), &ButtomSetting::tablesChanged,
                                    [&coverage] { coverage.check(benchProject()); });
    PaintCounter counter;
    window.preview->installEventFilter(&counter);
    slider->setValue(base);
    finishFrame(*window.preview, counter, counter.paints - 1);
    std::vector<double> ms;
    int step = 0;
    bench::QuietStdout quiet;
    for (auto _ : state) {
        const int paints = counter.paints;
        const auto t0 = std::chrono::steady_clock::now();
        slider->setValue(base + (++step & 1) * kNotch);
        finishFrame(*window.preview, counter, paints);
        const double t = bench::millisecondsSince(t0);
        ms.push_back(t);
        state.SetIterationTime(t / 1000.0);
    }
    window.preview->removeEventFilter(&counter);
    QObject::disconnect(checking);
    state.counters["median_ms"] = bench::median(ms);
    const Camara& first = benchProject().cameras.front();
    state.counters["layer_cols"] = first.image.cols;
    state.counters["layer_rows"] = first.image.rows;
}
BENCHMARK(BM_SliderNotch)
    ->ArgNames({"full", "crop", "check"})
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
    benchProject();  // the project exists before the application, as in the program
    QApplication app(argc, argv);
    theWindow = std::make_unique<Window>();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    theWindow.reset();
    benchmark::Shutdown();
    return 0;
}
