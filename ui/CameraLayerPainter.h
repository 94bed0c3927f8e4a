// The cameras' layers in the preview: one GL texture per camera of the
// project, kept equal to the camera's display image, and drawn at the
// camera's place in the panorama. The core keeps the pixels and marks what
// changed (Camara::textureStale, textureStaleAreas); this keeps their GPU
// copies. Every call needs the preview's GL context current.
#pragma once

#include <QOpenGLFunctions>
#include <opencv2/core.hpp>
#include <opencv2/core/opengl.hpp>
#include <vector>

class Camara;
class PreviewView;
class Project;

class CameraLayerPainter : protected QOpenGLFunctions {
public:
    // Resolves the GL functions of the current context.
    void initialize();

    // Uploads every texture whose display image changed since the last call,
    // only the changed areas where the core named them, and clears the marks.
    // Texture i belongs to project.cameras[i]; textures beyond the camera list
    // are freed.
    void uploadStale(Project& project);

    // Draws camera `index`'s layer with its colour (highlight) and opacity over
    // what is drawn, at its place in the panorama (the unit square, y growing
    // downwards) as `view` shows it. Blending is the caller's to enable. Draws
    // nothing for a camera without a layer or a texture.
    void draw(Project& project, int index, const PreviewView& view);

    // Frees every texture and marks its camera for upload, so that a painter
    // of a later context draws fresh ones instead of stale names.
    void release(Project& project);

    // Camera `index`'s texture; an empty one where it has none.
    const cv::ogl::Texture2D& texture(int index) const;

private:
    // A rectangle in the unit square or in texture coordinates.
    struct Quad {
        double x = 0, y = 0, w = 0, h = 0;
    };

    // The whole display image into the texture (new when its size changed).
    void uploadWhole(const Camara& camera, cv::ogl::Texture2D& texture);
    // Only the given areas of the display image, into a texture of its size.
    void uploadAreas(const Camara& camera, cv::ogl::Texture2D& texture,
                     const std::vector<cv::Rect>& areas);
    // One textured quad with the camera's colour and opacity.
    void drawQuad(const Camara& camera, cv::ogl::Texture2D& texture, const PreviewView& view,
                  const Quad& window, const Quad& texRect);

    std::vector<cv::ogl::Texture2D> textures_;
};

// The parts of the camera's layer the preview draws, in image pixels: the
// display image is transparent outside them, and a fragment outside them sees
// only transparent texels, so drawing less changes no pixel. Empty: the whole
// layer (nothing is known about the display image).
std::vector<cv::Rect> drawnLayerParts(Camara& camera);

// Projection of the part of the unit square `view` shows onto the whole
// viewport (orthographic, y downwards), in the fixed-function pipeline.
void applyViewProjection(const PreviewView& view);
