#include "project/Project.h"

#include <QByteArray>

#include "project/PtoReader.h"

namespace {
Project* g_project = nullptr;
}  // namespace

Camara::TexturePainter Camara::texturePainter;

Camara::Camara() = default;

void Camara::draw() {
    if (image.empty() || texture.cols() == 0 || texture.rows() == 0) return;
    const Project* p = currentProject();
    if (!p) return;
    // Each quotient in single precision, then widened.
    RectD window;
    window.x = static_cast<double>(static_cast<float>(offsetX) / static_cast<float>(p->panoWidth));
    window.y = static_cast<double>(static_cast<float>(offsetY) / static_cast<float>(p->panoHeight));
    window.w =
        static_cast<double>(static_cast<float>(image.cols) / static_cast<float>(p->panoWidth));
    window.h =
        static_cast<double>(static_cast<float>(image.rows) / static_cast<float>(p->panoHeight));
    drawTexture(texture, window, RectD{0, 0, 1, 1});
}

void Camara::drawTexture(cv::ogl::Texture2D& tex, const RectD& window, const RectD& texRect) {
    if (tex.cols() == 0 || tex.rows() == 0) return;
    if (texturePainter) texturePainter(*this, tex, window, texRect);
}

Project::Project() {
    g_project = this;
    resizeCameras(4);
    resetDrawOrder(4);
}

Project::~Project() {
    if (g_project == this) g_project = nullptr;
}

void Project::resizeCameras(int n) {
    cameras.resize(static_cast<size_t>(n < 0 ? 0 : n));
}

void Project::resetDrawOrder(int n) {
    drawOrder.resize(static_cast<size_t>(n < 0 ? 0 : n), 0);
    for (int k = 0; k < n; ++k) drawOrder[static_cast<size_t>(k)] = n - 1 - k;
}

Project* currentProject() {
    return g_project;
}

std::string toLocal8BitString(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    // Stop at the first 0 byte, as a C string would.
    return std::string(bytes.constData());
}
