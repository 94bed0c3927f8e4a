// Cost of bringing changed display images to the preview: the texture upload
// alone, and a whole preview frame with and without stale textures. Needs an X
// display with OpenGL (run under xvfb-run, see texture_upload.sh).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <memory>
#include <opencv2/core/opengl.hpp>
#include <vector>

#include "CurrentProject.h"
#include "OpenGLWidget.h"
#include "project/Project.h"

namespace {

Project& benchProject() {
    static Project project;
    // Installed as the window's project, as the program's main does.
    static const bool installed = (setCurrentProject(&project), true);
    (void)installed;
    return project;
}

QApplication& benchApp() {
    benchProject();
    static int argc = 1;
    static char name[] = "ui_texture_upload_bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// Four cameras of a 2:1 panorama, each covering width x height pixels.
void fillRig(Project& project, int width, int height) {
    project.resizeCameras(4);
    project.resetDrawOrder(4);
    project.panoWidth = 2 * height;
    project.panoHeight = height;
    cv::RNG rng(7);
    for (int i = 0; i < 4; ++i) {
        Camara& camera = project.cameras[static_cast<size_t>(i)];
        camera.image.create(height, width, CV_8UC4);
        rng.fill(camera.image, cv::RNG::UNIFORM, 0, 256);
        camera.displayImage = camera.image.clone();
        camera.offsetX = i * height / 2;
        camera.textureStale = true;
    }
}

// Upload of all four display images in a bare context, finished on the GPU side.
void BM_UploadFourTextures(benchmark::State& state) {
    benchApp();
    Project& project = benchProject();
    fillRig(project, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    context.create();
    context.makeCurrent(&surface);
    std::vector<cv::ogl::Texture2D> textures(project.cameras.size());
    for (auto _ : state) {
        for (size_t i = 0; i < textures.size(); ++i)
            textures[i].copyFrom(project.cameras[i].displayImage, true);
        context.functions()->glFinish();
    }
    state.SetBytesProcessed(state.iterations() * 4 *
                            static_cast<int64_t>(project.cameras[0].displayImage.total() *
                                                 project.cameras[0].displayImage.elemSize()));
    for (cv::ogl::Texture2D& texture : textures) texture.release();
    context.doneCurrent();
    project.resizeCameras(0);
}
BENCHMARK(BM_UploadFourTextures)
    ->Args({1024, 512})
    ->Args({1920, 1920})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// One preview frame (rendered and read back) after a slider step: every camera
// stale (range(2) = 1) or nothing changed (0).
void BM_PreviewFrame(benchmark::State& state) {
    benchApp();
    Project& project = benchProject();
    fillRig(project, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    auto preview = std::make_unique<OpenGLWidget>();
    preview->resize(900, 450);
    preview->show();
    QCoreApplication::processEvents();
    const bool stale = state.range(2) != 0;
    preview->grabFramebuffer();
    for (auto _ : state) {
        if (stale)
            for (Camara& camera : project.cameras) camera.textureStale = true;
        benchmark::DoNotOptimize(preview->grabFramebuffer());
    }
    preview.reset();
    project.resizeCameras(0);
}
BENCHMARK(BM_PreviewFrame)
    ->Args({1024, 512, 0})
    ->Args({1024, 512, 1})
    ->Args({1920, 1920, 0})
    ->Args({1920, 1920, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
BENCHMARK_MAIN();
