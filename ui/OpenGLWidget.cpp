#include "OpenGLWidget.h"

#include <QMouseEvent>
#include <QOpenGLPaintDevice>
#include <QPainter>
#include <QSurfaceFormat>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CurrentProject.h"
#include "SeamOverlay.h"

OpenGLWidget::OpenGLWidget(QWidget* parent) : QOpenGLWidget(parent) {
    // Immediate-mode drawing needs the legacy pipeline; a 2.x context is one
    // everywhere, and asking for the compatibility profile keeps it so where a
    // newer default would otherwise be a core profile.
    QSurfaceFormat surface = format();
    surface.setProfile(QSurfaceFormat::CompatibilityProfile);
    setFormat(surface);
}

OpenGLWidget::~OpenGLWidget() {
    // The textures live in this widget's context and die with it. Free them
    // while it is still current and mark them for upload, so that a preview
    // created later draws fresh ones instead of stale names.
    if (!context()) return;
    makeCurrent();
    if (deviceTexture_) deviceTexture_->release();
    if (Project* project = currentProject()) layers_.release(*project);
    doneCurrent();
}

void OpenGLWidget::initializeGL() {
    initializeOpenGLFunctions();
    layers_.initialize();
    glClearColor(0, 0, 0, 1);
    applyViewProjection(view_);
}

void OpenGLWidget::showDeviceView(const cv::Mat& image) {
    deviceView_ = true;
    deviceImage_ = image;
    deviceImageStale_ = true;
    update();
}

void OpenGLWidget::showCameras() {
    deviceView_ = false;
    deviceImage_.release();
    deviceImageStale_ = true;  // the texture goes at the next paint
    update();
}

void OpenGLWidget::paintGL() {
    if (deviceView_ || deviceImageStale_) {
        drawDeviceView();
        if (deviceView_) {
            paintOverlay();
            return;
        }
    }
    Project* project = currentProject();
    layers_.uploadStale(*project);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // Indices, not iterators: nothing here may change the order, but a stale
    // index must not read past the camera list.
    for (size_t i = 0; i < project->drawOrder.size(); ++i) {
        const int index = project->drawOrder[i];
        if (index < 0 || index >= static_cast<int>(project->cameras.size())) continue;
        if (project->cameras[static_cast<size_t>(index)].hidden) continue;
        layers_.draw(*project, index, view_);
    }
    paintOverlay();
}

void OpenGLWidget::drawDeviceView() {
    if (deviceImageStale_) {
        deviceImageStale_ = false;
        if (!deviceTexture_) deviceTexture_ = std::make_unique<cv::ogl::Texture2D>();
        try {
            if (deviceImage_.empty())
                deviceTexture_->release();
            else
                deviceTexture_->copyFrom(deviceImage_, true);
        } catch (const cv::Exception& e) {
            printf("texture upload failed: %s\r\n", e.what());
            fflush(stdout);
            deviceTexture_->release();
        }
    }
    if (!deviceView_) return;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!deviceTexture_ || deviceTexture_->cols() == 0 || deviceTexture_->rows() == 0) return;
    // The picture is the device's output as it is: opaque, untinted.
    glDisable(GL_BLEND);
    applyViewProjection(view_);
    ::glMatrixMode(GL_MODELVIEW);
    ::glLoadIdentity();
    deviceTexture_->bind();
    glEnable(GL_TEXTURE_2D);
    ::glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    ::glBegin(GL_QUADS);
    ::glTexCoord2f(0, 0);
    ::glVertex2f(0, 0);
    ::glTexCoord2f(0, 1);
    ::glVertex2f(0, 1);
    ::glTexCoord2f(1, 1);
    ::glVertex2f(1, 1);
    ::glTexCoord2f(1, 0);
    ::glVertex2f(1, 0);
    ::glEnd();
    glDisable(GL_TEXTURE_2D);
}

void OpenGLWidget::paintOverlay() {
    if (!seamsShown_) return;
    // The texture uploads leave their own row alignment behind; the painter's
    // glyph cache uploads with OpenGL's defaults in mind.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // Into the bound framebuffer itself, after the fixed-function drawing: a
    // painter on the widget would be redirected when the window is grabbed.
    // Ending the painter leaves the context as the next frame's GL calls expect.
    QOpenGLPaintDevice device(size() * devicePixelRatioF());
    device.setDevicePixelRatio(devicePixelRatioF());
    QPainter painter(&device);
    paintSeamOverlay(painter, *currentProject(), view_, size(), uncovered_, seamReports_);
}

void OpenGLWidget::fitView() {
    view_.fit();
    unsetCursor();
    update();
}

void OpenGLWidget::setSeamsShown(bool shown) {
    seamsShown_ = shown;
    update();
}

void OpenGLWidget::setSeamReports(const std::vector<SeamReport>& reports) {
    seamReports_ = reports;
    if (seamsShown_) update();
}

void OpenGLWidget::setUncoveredAreas(const std::vector<cv::Rect>& areas) {
    if (areas == uncovered_) return;
    uncovered_ = areas;
    if (seamsShown_) update();
}

double OpenGLWidget::minimumSpan() const {
    const Project* project = currentProject();
    if (!project || project->panoWidth <= 0 || project->panoHeight <= 0) return 1.0;
    return std::max(width() / (16.0 * project->panoWidth), height() / (16.0 * project->panoHeight));
}

void OpenGLWidget::wheelEvent(QWheelEvent* event) {
    if (width() <= 0 || height() <= 0) return;
    // A quarter more per notch of a common wheel (120 eighths of a degree).
    const double factor = std::pow(1.25, event->angleDelta().y() / 120.0);
    const QPointF at(event->position().x() / width(), event->position().y() / height());
    view_.zoomAt(at, factor, minimumSpan());
    view_.fitted() ? unsetCursor() : setCursor(Qt::OpenHandCursor);
    event->accept();
    update();
}

void OpenGLWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QOpenGLWidget::mousePressEvent(event);
    dragging_ = true;
    dragFrom_ = event->pos();
    if (!view_.fitted()) setCursor(Qt::ClosedHandCursor);
}

void OpenGLWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || width() <= 0 || height() <= 0) return QOpenGLWidget::mouseMoveEvent(event);
    const QPoint by = event->pos() - dragFrom_;
    dragFrom_ = event->pos();
    view_.panBy(
        QPointF(static_cast<double>(by.x()) / width(), static_cast<double>(by.y()) / height()));
    update();
}

void OpenGLWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QOpenGLWidget::mouseReleaseEvent(event);
    dragging_ = false;
    view_.fitted() ? unsetCursor() : setCursor(Qt::OpenHandCursor);
}

void OpenGLWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QOpenGLWidget::mouseDoubleClickEvent(event);
    fitView();
}
