#include "project/LoadReport.h"

#include <QFile>
#include <QFileInfo>
#include <opencv2/core.hpp>

#include "file/InputFile.h"
#include "project/Project.h"

namespace {

// Why camera `cam` gives the exporters nothing, empty when it is usable.
std::string unusable(const Camara& cam) {
    const std::string missing = missingInputs(cam);
    if (!missing.empty()) return missing;
    // The exporters weigh every pixel by displayImage's alpha: a crop that clears
    // the whole valid run leaves the camera nothing to contribute.
    if (cam.displayImage.type() == CV_8UC4) {
        cv::Mat alpha;
        cv::extractChannel(cam.displayImage, alpha, 3);
        if (cv::countNonZero(alpha) == 0) return "the crop and trims leave none of its pixels";
    }
    return std::string();
}

}  // namespace

bool sourceUnreadable(const Camara& cam) {
    // Without a layer the source is not read: it is at fault only when it
    // is not there to be read.
    const bool noLayer = cam.image.empty() || cam.coordMap.empty();
    return cam.sourceSize.empty() && (!noLayer || !regularFileProblem(cam.sourcePath).empty());
}

std::string missingInputs(const Camara& cam) {
    if (sourceUnreadable(cam)) {
        const std::string why = regularFileProblem(cam.sourcePath);
        return why.empty() ? "its source image could not be read"
                           : "its source image " + shortenedName(cam.sourcePath) +
                                 " cannot be read: " + why;
    }
    if (cam.image.empty() || cam.coordMap.empty()) return "the remapper left no layer for it";
    if (cam.imgBdy.empty()) return "its middle row has no edge to cut at";
    if (cam.imgBdy.size() != 2)
        return "its middle row has " + std::to_string(cam.imgBdy.size()) +
               " edges where one run of two is needed";
    return std::string();
}

std::string sourceFileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CameraProblem::message() const {
    return "camera " + std::to_string(index) + " (" + shortenedName(sourceFile) + "): " + reason;
}

std::vector<CameraProblem> camerasLeftOut(const Project& project) {
    std::vector<CameraProblem> out;
    for (size_t i = 0; i < project.cameras.size(); ++i) {
        const Camara& cam = project.cameras[i];
        const std::string reason = unusable(cam);
        if (!reason.empty())
            out.push_back({static_cast<int>(i), sourceFileName(cam.sourcePath),
                           reason + "; it is left out of the tables"});
    }
    return out;
}

QString projectFileProblem(const QString& path, const Project& project) {
    const QFileInfo info(path);
    QString why;
    if (!info.exists())
        why = "the file does not exist";
    else if (!info.isFile())
        why = "it is not a file";
    else if (QFile file(path); !file.open(QIODevice::ReadOnly))
        why = "the file cannot be read: " + file.errorString();
    else if (info.size() == 0)
        why = "the file is empty";
    else if (project.panoWidth <= 0 || project.panoHeight <= 0)
        why =
            "it has no panorama line with a width and a height ('p ... w... h...'), so it is "
            "not a panorama project";
    return why.isEmpty() ? why : QString("%1: %2").arg(path, why);
}
