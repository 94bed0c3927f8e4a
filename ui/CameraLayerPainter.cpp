#include "CameraLayerPainter.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "PreviewView.h"
#include "project/Project.h"

void CameraLayerPainter::initialize() {
    initializeOpenGLFunctions();
}

void CameraLayerPainter::uploadStale(Project& project) {
    // Surplus textures go while the context is current; new cameras start
    // without one.
    if (textures_.size() > project.cameras.size()) {
        for (size_t i = project.cameras.size(); i < textures_.size(); ++i) textures_[i].release();
    }
    textures_.resize(project.cameras.size());
    for (size_t i = 0; i < project.cameras.size(); ++i) {
        Camara& camera = project.cameras[i];
        cv::ogl::Texture2D& texture = textures_[i];
        if (camera.textureStale) {
            camera.textureStale = false;
            camera.textureStaleAreas.clear();
            uploadWhole(camera, texture);
            continue;
        }
        if (camera.textureStaleAreas.empty()) continue;
        const std::vector<cv::Rect> areas = std::move(camera.textureStaleAreas);
        camera.textureStaleAreas.clear();
        // Areas patch the texture of the previous display image; one of another
        // size (or none, after a failed upload) takes the whole image.
        const cv::Mat& image = camera.displayImage;
        if (image.type() != CV_8UC4 || texture.cols() != image.cols || texture.rows() != image.rows)
            uploadWhole(camera, texture);
        else
            uploadAreas(camera, texture, areas);
    }
}

void CameraLayerPainter::uploadWhole(const Camara& camera, cv::ogl::Texture2D& texture) {
    if (camera.displayImage.empty()) {
        texture.release();
        return;
    }
    const cv::Mat& image = camera.displayImage;
    const bool sameSize = texture.cols() == image.cols && texture.rows() == image.rows;
    const unsigned int previous = sameSize ? texture.texId() : 0;
    try {
        texture.copyFrom(image, true);
    } catch (const cv::Exception& e) {
        // An exception must not leave a paint event; the camera is simply
        // not drawn until its next change.
        printf("texture upload failed: %s\r\n", e.what());
        fflush(stdout);
        texture.release();
        return;
    }
    // The preview samples level 0 only; the partial uploads refresh no other
    // level, so none is kept that could go stale (this also makes the mipmap
    // generation of the next whole upload a no-op).
    glBindTexture(GL_TEXTURE_2D, texture.texId());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (texture.texId() != previous && image.type() == CV_8UC4 && image.isContinuous()) {
        // OpenCV creates the texture from float data, which lets a driver store
        // it in RGBA order and convert every later BGRA upload pixel by pixel;
        // level 0 given again as BGRA bytes lets it keep their order and copy.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.cols, image.rows, 0, GL_BGRA,
                     GL_UNSIGNED_BYTE, image.data);
    }
}

void CameraLayerPainter::uploadAreas(const Camara& camera, cv::ogl::Texture2D& texture,
                                     const std::vector<cv::Rect>& areas) {
    const cv::Mat& image = camera.displayImage;
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, texture.texId());
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

void CameraLayerPainter::draw(Project& project, int index, const PreviewView& view) {
    if (index < 0 || index >= static_cast<int>(project.cameras.size()) ||
        index >= static_cast<int>(textures_.size()))
        return;
    Camara& camera = project.cameras[static_cast<size_t>(index)];
    cv::ogl::Texture2D& texture = textures_[static_cast<size_t>(index)];
    if (camera.image.empty() || texture.cols() == 0 || texture.rows() == 0) return;
    const cv::Mat& image = camera.image;
    // Each quotient in single precision, then widened.
    Quad window;
    window.x = static_cast<double>(static_cast<float>(camera.offsetX) /
                                   static_cast<float>(project.panoWidth));
    window.y = static_cast<double>(static_cast<float>(camera.offsetY) /
                                   static_cast<float>(project.panoHeight));
    window.w =
        static_cast<double>(static_cast<float>(image.cols) / static_cast<float>(project.panoWidth));
    window.h = static_cast<double>(static_cast<float>(image.rows) /
                                   static_cast<float>(project.panoHeight));
    const std::vector<cv::Rect> parts = drawnLayerParts(camera);
    if (parts.empty()) {
        drawQuad(camera, texture, view, window, Quad{0, 0, 1, 1});
        return;
    }
    for (const cv::Rect& part : parts) {
        const Quad tex{static_cast<double>(part.x) / image.cols,
                       static_cast<double>(part.y) / image.rows,
                       static_cast<double>(part.width) / image.cols,
                       static_cast<double>(part.height) / image.rows};
        drawQuad(camera, texture, view,
                 Quad{window.x + tex.x * window.w, window.y + tex.y * window.h, tex.w * window.w,
                      tex.h * window.h},
                 tex);
    }
}

void CameraLayerPainter::drawQuad(const Camara& camera, cv::ogl::Texture2D& texture,
                                  const PreviewView& view, const Quad& window,
                                  const Quad& texRect) {
    applyViewProjection(view);
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

void CameraLayerPainter::release(Project& project) {
    for (size_t i = 0; i < textures_.size(); ++i) {
        if (textures_[i].cols() == 0 && textures_[i].rows() == 0) continue;
        textures_[i].release();
        if (i < project.cameras.size()) project.cameras[i].textureStale = true;
    }
    textures_.clear();
}

const cv::ogl::Texture2D& CameraLayerPainter::texture(int index) const {
    static const cv::ogl::Texture2D none;
    if (index < 0 || index >= static_cast<int>(textures_.size())) return none;
    return textures_[static_cast<size_t>(index)];
}

std::vector<cv::Rect> drawnLayerParts(Camara& camera) {
    // A linear filter reads texels less than one texel from the sample point, so
    // two texels of margin keep every fragment that can see a valid texel.
    constexpr int kMargin = 2;
    const int w = camera.image.cols, h = camera.image.rows;
    struct Bounds {
        int x0, y0, x1, y1;  // inclusive
    };
    std::vector<Bounds> parts;
    for (const cv::Rect& r : camera.displayCache.validRegions(camera.image, camera.displayImage)) {
        Bounds b{std::max(r.x - kMargin, 0), std::max(r.y - kMargin, 0),
                 std::min(r.br().x - 1 + kMargin, w - 1), std::min(r.br().y - 1 + kMargin, h - 1)};
        // The texture repeats: fragments at one border read texels of the other.
        if (b.y0 == 0 || b.y1 == h - 1) {
            b.y0 = 0;
            b.y1 = h - 1;
        }
        // Parts never share a column, so no fragment is blended twice.
        if (!parts.empty() && b.x0 <= parts.back().x1 + 1) {
            Bounds& last = parts.back();
            last = {last.x0, std::min(last.y0, b.y0), b.x1, std::max(last.y1, b.y1)};
        } else {
            parts.push_back(b);
        }
    }
    if (!parts.empty() && (parts.front().x0 == 0 || parts.back().x1 == w - 1)) {
        const int y0 = std::min(parts.front().y0, parts.back().y0);
        const int y1 = std::max(parts.front().y1, parts.back().y1);
        for (Bounds* b : {&parts.front(), &parts.back()}) {
            b->y0 = y0;
            b->y1 = y1;
        }
        parts.front().x0 = 0;
        parts.back().x1 = w - 1;
    }
    std::vector<cv::Rect> rects;
    for (const Bounds& b : parts) rects.emplace_back(b.x0, b.y0, b.x1 - b.x0 + 1, b.y1 - b.y0 + 1);
    return rects;
}

void applyViewProjection(const PreviewView& view) {
    ::glMatrixMode(GL_PROJECTION);
    ::glLoadIdentity();
    const double left = view.left(), top = view.top(), span = view.span();
    ::glOrtho(left, left + span, top + span, top, -1, 1);
}
