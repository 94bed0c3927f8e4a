#include "export/DebugImages.h"

#include <QDir>
#include <QString>
#include <array>
#include <cstdio>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

bool pictureFolderExists(const std::string& projectDir) {
    return QDir(QString::fromLocal8Bit((projectDir + "pic").c_str())).exists();
}

DebugImages::DebugImages(cv::Size size) {
    contours = cv::Mat::zeros(size, CV_8UC3);
    for (cv::Mat& m : outlines) m = cv::Mat::zeros(size, CV_8UC3);
}

cv::Scalar DebugImages::colourFor(int k) {
    static const std::array<cv::Scalar, 3> colours = {cv::Scalar(0, 0, 255), cv::Scalar(255, 0, 0),
                                                      cv::Scalar(0, 255, 0)};
    return colours[static_cast<size_t>(k % 3)];
}

void DebugImages::drawOutline(int k, const cv::Rect& rect) {
    // Thickness 0 is OpenCV's one-pixel line.
    cv::rectangle(outlineFor(k), rect, colourFor(k), 0, cv::LINE_8, 0);
}

void DebugImages::save(const std::string& projectDir, int cameraIndex) const {
    if (!pictureFolderExists(projectDir)) return;
    const char* patterns[4] = {"%spic/%d.jpg", "%spic/%d-1.jpg", "%spic/%d-2.jpg",
                               "%spic/%d-3.jpg"};
    const cv::Mat* images[4] = {&contours, &outlines[0], &outlines[1], &outlines[2]};
    for (int i = 0; i < 4; ++i) {
        const int n = std::snprintf(nullptr, 0, patterns[i], projectDir.c_str(), cameraIndex);
        std::string path(static_cast<size_t>(n), '\0');
        std::snprintf(&path[0], path.size() + 1, patterns[i], projectDir.c_str(), cameraIndex);
        try {
            cv::imwrite(path, *images[i]);
        } catch (const cv::Exception&) {
            // A debug image that cannot be written is skipped.
        }
    }
}
