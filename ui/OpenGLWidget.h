// The preview: every camera's display image laid at its place in the panorama,
// stacked in the project's drawing order, drawn with fixed-function OpenGL.
// The panorama fills the whole widget (unit square, y growing downwards).
// The widget holds no state of its own; other parts call repaint() after a change.
#pragma once

#include <QOpenGLFunctions>
#include <QOpenGLWidget>

class Camara;
struct RectD;
namespace cv {
namespace ogl {
class Texture2D;
}
}  // namespace cv

class OpenGLWidget : public QOpenGLWidget, public QOpenGLFunctions {
    Q_OBJECT
public:
    explicit OpenGLWidget(QWidget* parent = nullptr);
    ~OpenGLWidget() override;

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    // Uploads every camera texture whose display image changed since the last
    // paint; needs this widget's context current.
    void uploadStaleTextures();
    // One textured quad with the camera's colour (highlight) and opacity.
    void drawCameraQuad(Camara& camera, cv::ogl::Texture2D& texture, const RectD& window,
                        const RectD& texRect);
};
