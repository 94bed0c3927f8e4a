// The preview: every camera's display image laid at its place in the panorama,
// stacked in the project's drawing order, drawn with fixed-function OpenGL by
// the widget's CameraLayerPainter, which holds one texture per camera.
// Fitted, the panorama fills the whole widget (unit square, y growing
// downwards); the operator zooms with the wheel at the cursor, pans by dragging
// with the left button and fits again with a double-click. That view and the
// textures are the widget's only state; other parts call repaint() after a
// change of the rig.
// Instead of the cameras it can show one finished picture of the whole
// panorama, the device view, which others compute and hand over.
#pragma once

#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <memory>
#include <opencv2/core.hpp>
#include <vector>

#include "CameraLayerPainter.h"
#include "PreviewView.h"
#include "tuning/SeamReport.h"

class OpenGLWidget : public QOpenGLWidget, public QOpenGLFunctions {
    Q_OBJECT
public:
    explicit OpenGLWidget(QWidget* parent = nullptr);
    ~OpenGLWidget() override;

    // Shows `image` (8-bit BGR, the whole panorama, stretched over the widget)
    // in place of the cameras, until showCameras(). An empty image shows black.
    // Both take effect at the next paint.
    void showDeviceView(const cv::Mat& image);
    void showCameras();

    // What the widget shows of the panorama; it applies to the device view too.
    const PreviewView& view() const { return view_; }
    void fitView();
    // Each camera's seam edges and index over the picture (SeamOverlay.h).
    void setSeamsShown(bool shown);
    // The panorama rectangles holding holes (pixels the cameras see that the
    // tables leave black), which the seam overlay marks; repaints when they
    // change while the overlay is shown.
    void setUncoveredAreas(const std::vector<cv::Rect>& areas);
    const std::vector<cv::Rect>& uncoveredAreas() const { return uncovered_; }
    // Each seam's disagreement, which the seam overlay writes beside it.
    void setSeamReports(const std::vector<SeamReport>& reports);
    // The cameras' textures and their drawing.
    const CameraLayerPainter& layers() const { return layers_; }

protected:
    void initializeGL() override;
    void paintGL() override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The device view's picture as one opaque quad over the whole widget.
    void drawDeviceView();
    // The smallest span the wheel may reach: one panorama pixel no wider or
    // taller than 16 widget pixels.
    double minimumSpan() const;
    void paintOverlay();

    bool deviceView_ = false;
    cv::Mat deviceImage_;
    bool deviceImageStale_ = false;  // deviceImage_ not uploaded yet
    std::unique_ptr<cv::ogl::Texture2D> deviceTexture_;
    CameraLayerPainter layers_;
    PreviewView view_;
    bool seamsShown_ = false;
    std::vector<cv::Rect> uncovered_;
    std::vector<SeamReport> seamReports_;
    bool dragging_ = false;
    QPoint dragFrom_;
};
