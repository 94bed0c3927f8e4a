#include "project/Project.h"

#include <QString>
#include <cstdio>

#include "file/Local8Bit.h"
#include "file/RemapOutputNames.h"
#include "project/PtoReader.h"
#include "system/Reporter.h"

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

ProjectFileResult Project::loadProject(std::string path) {
    if (path.empty()) {
        reportProblemf("filepath empty\r\n");
        return {ProjectFileResult::Status::NoPath, QString()};
    }
    PtoReader reader(path);
    const int n = reader.imageCount();
    resizeCameras(n);
    resetDrawOrder(n);
    projectDir = reader.dir;
    panoWidth = reader.width;
    panoHeight = reader.height;
    if (!reader.problem.empty()) reportProblemf("%s\r\n", reader.problem.c_str());
    calibrationFingerprint = QString::fromStdString("sha256:" + reader.imageLinesDigest);
    tiffPath = QString("%1%2").arg(QString::fromLocal8Bit(projectDir.c_str()), "tiff");
    ptoFilePath = QString::fromLocal8Bit(path.c_str());
    reportf("tiffpath:%s \r\n", toLocal8BitString(tiffPath).c_str());
    reportf("ptoFilePath:%s \r\n", toLocal8BitString(ptoFilePath).c_str());
    for (int j = 0; j < n; ++j) cameras[static_cast<size_t>(j)].sourcePath = reader.imageFile(j);
    useWorkFolder(tiffPath);
    reportFlush();
    if (!reader.problem.empty())
        return {ProjectFileResult::Status::NoSize, QString::fromLocal8Bit(reader.problem.c_str())};
    return {ProjectFileResult::Status::Read, QString()};
}

void Project::useWorkFolder(const QString& folder) {
    tiffPath = folder;
    for (size_t j = 0; j < cameras.size(); ++j) {
        Camara& cam = cameras[j];
        const int i = static_cast<int>(j);
        auto path = [&](RemapOutput which) {
            return toLocal8BitString(
                tiffPath + "/" +
                QString::fromStdString(remapOutputName(kRemapOutputPrefix, i, which)));
        };
        cam.imagePath = path(RemapOutput::Layer);
        cam.mapXPath = path(RemapOutput::MapX);
        cam.mapYPath = path(RemapOutput::MapY);
    }
}
