#include "UiTestSupport.h"

#include <QAbstractButton>
#include <QEvent>
#include <QMessageBox>
#include <QStandardPaths>

#include "CameraSetting.h"
#include "CurrentProject.h"

namespace {

Project& theProject() {
    static Project project;
    // Installed as the window's project, as the program's main does.
    static const bool installed = (setCurrentProject(&project), true);
    (void)installed;
    return project;
}

}  // namespace

QApplication& testApp() {
    theProject();
    static int argc = 1;
    static char name[] = "ui_test";
    static char* argv[] = {name, nullptr};
    // The language and last folder the window remembers go to a test folder,
    // never into the real user's settings.
    QStandardPaths::setTestModeEnabled(true);
    // Never destroyed: the platform plugins stay loaded until the process ends,
    // so what they hold at exit is still attributed to them.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

Project& resetProject(int cameras) {
    testApp();
    Project& project = theProject();
    project.cameras.clear();
    project.resizeCameras(cameras);
    project.resetDrawOrder(cameras);
    project.blendValue = 0;
    project.cutValue = 0;
    project.panoWidth = 0;
    project.panoHeight = 0;
    project.loaded = false;
    project.autoMode = false;
    alphaSyncIdle = true;
    return project;
}

cv::Mat solidImage(int width, int height, cv::Scalar bgra) {
    return cv::Mat(height, width, CV_8UC4, bgra);
}

Rgb framebufferPixel(const QImage& image, int x, int y) {
    // pixel() hands premultiplied formats back as stored, without dividing by alpha.
    const QRgb pixel = image.pixel(x, y);
    return {qRed(pixel), qGreen(pixel), qBlue(pixel)};
}

RepaintProbe::RepaintProbe() {
    resize(40, 20);
}

void RepaintProbe::paintEvent(QPaintEvent*) {
    ++count;
}

MessageBoxCloser::MessageBoxCloser() {
    startTimer(20);
}

void MessageBoxCloser::timerEvent(QTimerEvent*) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    ++boxes;
    title = box->windowTitle();
    text = box->text();
    box->done(QMessageBox::Ok);
}

// Leaks of the system libraries the widgets pull in (font configuration, the
// session bus, the GL driver) are theirs, not ours; the sanitizer build of these
// tests would otherwise always fail at exit.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           "leak:swrast_dri.so\n"
           "leak:libgallium\n"
           "leak:libLLVM\n"
           "leak:QOpenGLContextPrivate::setCurrentContext\n";
}
