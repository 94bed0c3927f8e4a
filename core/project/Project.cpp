#include "project/Project.h"

#include <QByteArray>

#include "project/PtoReader.h"

Project::Project() {
    resizeCameras(4);
    resetDrawOrder(4);
}

Project::~Project() = default;

void Project::resizeCameras(int n) {
    cameras.resize(static_cast<size_t>(n < 0 ? 0 : n));
}

void Project::resetDrawOrder(int n) {
    drawOrder.resize(static_cast<size_t>(n < 0 ? 0 : n), 0);
    for (int k = 0; k < n; ++k) drawOrder[static_cast<size_t>(k)] = n - 1 - k;
}

std::string toLocal8BitString(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    // Stop at the first 0 byte, as a C string would.
    return std::string(bytes.constData());
}
