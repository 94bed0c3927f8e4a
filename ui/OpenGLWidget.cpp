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
    if (Project* project = currentProject()) {
        for (Camara& camera : project->cameras) {
            if (camera.texture.cols() == 0 && camera.texture.rows() == 0) continue;
            camera.texture.release();
            camera.textureStale = true;
        }
    }
    doneCurrent();
}

void OpenGLWidget::initializeGL() {
    initializeOpenGLFunctions();
    glClearColor(0, 0, 0, 1);
    applyViewProjection();
}

void OpenGLWidget::uploadStaleTextures() {
    for (Camara& camera : currentProject()->cameras) {
        if (camera.textureStale) {
            camera.textureStale = false;
            camera.textureStaleAreas.clear();
            uploadWhole(camera);
            continue;
        }
        if (camera.textureStaleAreas.empty()) continue;
        const std::vector<cv::Rect> areas = std::move(camera.textureStaleAreas);
        camera.textureStaleAreas.clear();
        // Areas patch the texture of the previous display image; one of another
        // size (or none, after a failed upload) takes the whole image.
        const cv::Mat& image = camera.displayImage;
        if (image.type() != CV_8UC4 || camera.texture.cols() != image.cols ||
            camera.texture.rows() != image.rows)
            uploadWhole(camera);
        else
            uploadAreas(camera, areas);
    }
}

void OpenGLWidget::uploadWhole(Camara& camera) {
    if (camera.displayImage.empty()) {
        camera.texture.release();
        return;
    }
    const cv::Mat& image = camera.displayImage;
    const bool sameSize =
        camera.texture.cols() == image.cols && camera.texture.rows() == image.rows;
    const unsigned int previous = sameSize ? camera.texture.texId() : 0;
    try {
        camera.texture.copyFrom(image, true);
    } catch (const cv::Exception& e) {
        // An exception must not leave a paint event; the camera is simply
        // not drawn until its next change.
        printf("texture upload failed: %s\r\n", e.what());
        fflush(stdout);
        camera.texture.release();
        return;
    }
    // The preview samples level 0 only; the partial uploads refresh no other
    // level, so none is kept that could go stale (this also makes the mipmap
    // generation of the next whole upload a no-op).
    glBindTexture(GL_TEXTURE_2D, camera.texture.texId());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (camera.texture.texId() != previous && image.type() == CV_8UC4 && image.isContinuous()) {
        // OpenCV creates the texture from float data, which lets a driver store
        // it in RGBA order and convert every later BGRA upload pixel by pixel;
        // level 0 given again as BGRA bytes lets it keep their order and copy.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.cols, image.rows, 0, GL_BGRA,
                     GL_UNSIGNED_BYTE, image.data);
    }
}

void OpenGLWidget::uploadAreas(Camara& camera, const std::vector<cv::Rect>& areas) {
    const cv::Mat& image = camera.displayImage;
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, camera.texture.texId());
    // Rows of a rectangle lie image.step bytes apart in the display image; BGRA
    // pixels keep every row 4-byte aligned.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(image.step / image.elemSize()));
    const cv::Rect whole(0, 0, image.cols, image.rows);
    for (const cv::Rect& area : areas) {
        const cv::Rect r = area & whole;
        if (r.empty()) continue;
        glTexSubImage2D(GL_TEXTURE_2D, 0, r.x, r.y, r.width, r.height, GL_BGRA, GL_UNSIGNED_BYTE,
                        image.ptr(r.y, r.x));
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
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
    uploadStaleTextures();

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // The cameras draw themselves through the core's hook; it points at this
    // widget only while its context is current.
    const Camara::TexturePainter previous = Camara::texturePainter;
    Camara::texturePainter = [this](Camara& camera, cv::ogl::Texture2D& texture,
                                    const RectD& window, const RectD& texRect) {
        drawCameraQuad(camera, texture, window, texRect);
    };
    Project* project = currentProject();
    // Indices, not iterators: nothing here may change the order, but a stale
    // index must not read past the camera list.
    for (size_t i = 0; i < project->drawOrder.size(); ++i) {
        const int index = project->drawOrder[i];
        if (index < 0 || index >= static_cast<int>(project->cameras.size())) continue;
        Camara& camera = project->cameras[static_cast<size_t>(index)];
        if (camera.hidden) continue;
        camera.draw(project->panoWidth, project->panoHeight);
    }
    Camara::texturePainter = previous;
    paintOverlay();
}

void OpenGLWidget::drawCameraQuad(Camara& camera, cv::ogl::Texture2D& texture, const RectD& window,
                                  const RectD& texRect) {
    if (texture.cols() == 0 || texture.rows() == 0) return;

    applyViewProjection();
    ::glMatrixMode(GL_MODELVIEW);
    ::glLoadIdentity();

    glDisable(GL_LIGHTING);
    texture.bind();
    glEnable(GL_TEXTURE_2D);
    ::glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);

    // With MODULATE the colour tints the texture: half green is the highlight's
    // magenta cast, and alpha scales the feathered edges by the camera's opacity.
    const float green = camera.highlighted ? 0.5f : 1.0f;
    const float x = static_cast<float>(window.x), y = static_cast<float>(window.y);
    const float w = static_cast<float>(window.w), h = static_cast<float>(window.h);
    const float tx = static_cast<float>(texRect.x), ty = static_cast<float>(texRect.y);
    const float tw = static_cast<float>(texRect.w), th = static_cast<float>(texRect.h);
    ::glBegin(GL_QUADS);
    ::glColor4f(1.0f, green, 1.0f, static_cast<float>(camera.alpha));
    ::glTexCoord2f(tx, ty);
    ::glVertex2f(x, y);
    ::glTexCoord2f(tx, ty + th);
    ::glVertex2f(x, y + h);
    ::glTexCoord2f(tx + tw, ty + th);
    ::glVertex2f(x + w, y + h);
    ::glTexCoord2f(tx + tw, ty);
    ::glVertex2f(x + w, y);
    ::glEnd();
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
    applyViewProjection();
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

void OpenGLWidget::applyViewProjection() {
    ::glMatrixMode(GL_PROJECTION);
    ::glLoadIdentity();
    const double left = view_.left(), top = view_.top(), span = view_.span();
    ::glOrtho(left, left + span, top + span, top, -1, 1);
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
