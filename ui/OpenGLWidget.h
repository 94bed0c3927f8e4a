// The preview: every camera's display image laid at its place in the panorama.
#pragma once

#include <QOpenGLFunctions>
#include <QOpenGLWidget>

class OpenGLWidget : public QOpenGLWidget, public QOpenGLFunctions {
    Q_OBJECT
public:
    explicit OpenGLWidget(QWidget* parent = nullptr);

protected:
    void initializeGL() override;
    void paintGL() override;
};
